#include "window/sync/sync_setup_dialog.h"

#include "desktop/desktop_links.h"
#include "store/file_system.h"
#include "store/store_error.h"
#include "sync/oauth/google_account.h"
#include "sync/setup/set_up_state.h"
#include "sync/state/state_file.h"
#include "sync/sync_module.h"
#include "sync/sync_module_loader.h"
#include "window/form/dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString WhatToType =
    QStringLiteral("Type the address of your CardDAV server, or your e-mail address where "
                   "your mail service keeps your contacts too.");
const QString Checking = QStringLiteral("Checking with the server...");
const QString NotKept = QStringLiteral(
    "Sync is set up, but no keyring on this desktop took the password, so it cannot be kept: "
    "Zarvoth will ask for it when it syncs. OK closes this dialog.");

// The server's refusal, and where a service that takes only app passwords makes one.
QString refusedPasswordText(const QString& typedServer)
{
    const QString refused = QStringLiteral("The server refused this user name or password.");
    const std::optional<QUrl> start = syncing::serverAddress(typedServer);
    const std::optional<std::string> hint = start ? syncing::appPasswordHint(*start) : std::nullopt;
    return hint ? refused + u' ' + QString::fromStdString(*hint) + u'.' : refused;
}

} // namespace

QString asSentence(const std::string& message)
{
    QString text = QString::fromStdString(message);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text.endsWith(u'.') ? text : text + u'.';
}

SyncSetUpDialog::SyncSetUpDialog(store::FileSystem& fs, const QUrl& serverUrl,
                                 const QString& userName, QWidget* parent)
    : QDialog(parent), fs_(fs)
{
    setWindowTitle(QStringLiteral("Set Up Sync"));
    setObjectName(QStringLiteral("SyncSetUpDialog"));
    auto* form = form_ = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    server = new QLineEdit(serverUrl.toString(), this);
    server->setObjectName(QStringLiteral("TxtSyncServer"));
    server->setPlaceholderText(QStringLiteral("https://dav.example.org/ or ann@example.org"));
    server->setMinimumWidth(server->fontMetrics().horizontalAdvance(u'x') * 40);
    user = new QLineEdit(userName, this);
    user->setObjectName(QStringLiteral("TxtSyncUser"));
    passwordBox = new QLineEdit(this);
    passwordBox->setObjectName(QStringLiteral("TxtSyncPassword"));
    passwordBox->setEchoMode(QLineEdit::Password);
    book = new QComboBox(this);
    book->setObjectName(QStringLiteral("CboSyncBook"));

    serverNote_ = noteFor(server);
    userNote_ = noteFor(user);
    passwordNote_ = noteFor(passwordBox);
    bookNote_ = noteFor(book);
    const auto row = [&](const QString& caption, QWidget* box, QLabel* note) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        column->addWidget(box);
        column->addWidget(note);
        form->addRow(label, column);
        box->setAccessibleName(QString(caption).remove(u'&').chopped(1));
        return label;
    };
    row(QStringLiteral("&Server address:"), server, serverNote_);
    row(QStringLiteral("&User name:"), user, userNote_);
    passwordLabel_ = row(QStringLiteral("&Password:"), passwordBox, passwordNote_);
    buildSignInRows(row);
    bookLabel_ = row(QStringLiteral("Address &book:"), book, bookNote_);
    server->setAccessibleDescription(
        QStringLiteral("The address of the CardDAV server, of your home on it, or of the "
                       "address book itself"));
    book->setAccessibleDescription(
        QStringLiteral("The server has several address books: the one to sync with"));
    showRow(bookLabel_, false);

    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("LblSyncProgress"));
    progress_->setWordWrap(true);
    progress_->setAccessibleName(QStringLiteral("Set-up progress"));
    progress_->hide();
    connect(progress_, &QLabel::linkActivated, this,
            [](const QString& link) { desktop::openLink(QUrl(link)); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    okButton = buttons->button(QDialogButtonBox::Ok);
    stopButton = buttons->addButton(QStringLiteral("S&top Syncing"), QDialogButtonBox::ResetRole);
    stopButton->setObjectName(QStringLiteral("BtnStopSyncing"));
    stopButton->setAccessibleDescription(
        QStringLiteral("Forgets this set-up; the contacts stay as they are"));
    // Added before the buttons are hidden: the box shows each button it lays out. Beside Stop
    // Syncing, away from OK and Cancel, as the other way to set up.
    googleButton =
        buttons->addButton(QStringLiteral("Sign in with &Google..."), QDialogButtonBox::ResetRole);
    googleButton->setObjectName(QStringLiteral("BtnSignInWithGoogle"));
    googleButton->setAutoDefault(false);
    connect(googleButton, &QPushButton::clicked, this, &SyncSetUpDialog::useGoogle);
    stopButton->setVisible(!serverUrl.isEmpty());
    connect(buttons, &QDialogButtonBox::accepted, this, &SyncSetUpDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SyncSetUpDialog::reject);
    connect(stopButton, &QPushButton::clicked, this, &SyncSetUpDialog::stopSyncing);

    auto* whatToType = new QLabel(WhatToType, this);
    whatToType->setObjectName(QStringLiteral("LblSyncWhatToType"));
    whatToType->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(whatToType);
    layout->addLayout(form);
    layout->addWidget(progress_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    showSignInRows();
    connect(server, &QLineEdit::textChanged, this, &SyncSetUpDialog::showSignInRows);
    QWidget* first = signsIn() ? static_cast<QWidget*>(signInButton) : passwordBox;
    (serverUrl.isEmpty() ? server : first)->setFocus();
}

SyncSetUpDialog::~SyncSetUpDialog() = default;

QLabel* SyncSetUpDialog::noteFor(QWidget* box)
{
    auto* note = new QLabel(box->parentWidget());
    note->setObjectName(box->objectName() + QStringLiteral("Note"));
    note->setWordWrap(true);
    note->setTextFormat(Qt::PlainText);
    QPalette red = note->palette();
    red.setColor(QPalette::WindowText, QColor(176, 0, 32));
    note->setPalette(red);
    note->hide();
    return note;
}

void SyncSetUpDialog::showRow(QLabel* label, bool shown)
{
    // Hidden as a row, so that it leaves no gap between the rows shown.
    form_->setRowVisible(label, shown);
    label->setVisible(shown);
    label->buddy()->setVisible(shown);
}

void SyncSetUpDialog::say(QLabel* note, const QString& text)
{
    note->setText(text);
    note->setVisible(!text.isEmpty());
    // A screen reader hears what is wrong when it comes to the box.
    QWidget* box = book;
    if (note == serverNote_)
        box = server;
    else if (note == userNote_)
        box = user;
    else if (note == passwordNote_)
        box = passwordBox;
    else if (note == signInNote_)
        box = signInButton;
    else if (note == clientIdNote_)
        box = clientId;
    else if (note == issuerNote_)
        box = issuer;
    box->setAccessibleDescription(text);
    if (!text.isEmpty())
        box->setFocus();
}

QString SyncSetUpDialog::password() const
{
    return passwordBox->text();
}

bool SyncSetUpDialog::checking() const
{
    return checker_ != nullptr;
}

void SyncSetUpDialog::clearNotes()
{
    for (QLabel* note : {serverNote_, userNote_, passwordNote_, bookNote_, signInNote_,
                         clientIdNote_, issuerNote_})
        note->hide();
    tell(QString());
}

void SyncSetUpDialog::tell(const QString& text)
{
    // Hidden while it says nothing, so that it leaves no gap above the buttons.
    progress_->setText(text);
    progress_->setVisible(!text.isEmpty());
}

void SyncSetUpDialog::tellStoreFailure(const QString& what, const store::StoreError& error)
{
    tell(QStringLiteral("%1: could not %2 the file \"%3\" (%4).")
             .arg(what, QString::fromStdString(error.operation()),
                  QString::fromStdString(error.shownName()),
                  QString::fromStdString(error.reason())));
}

void SyncSetUpDialog::setBusy(bool busy)
{
    for (QWidget* box : std::initializer_list<QWidget*>{server, user, passwordBox, book, okButton,
                                                        stopButton, googleButton, signInButton,
                                                        clientId, clientSecret, issuer})
        box->setEnabled(!busy);
    tell(busy ? Checking : QString());
}

void SyncSetUpDialog::accept()
{
    if (setUpDone_)
        return QDialog::accept();
    if (checking() || waitingForBrowser())
        return;
    clearNotes();
    const std::optional<QUrl> start =
        !book->isHidden() && book->currentIndex() >= 0 ? book->currentData().toUrl()
        : syncing::isGoogleAccount(server->text())     ? syncing::googleAccountStart(server->text())
                                                       : syncing::serverAddress(server->text());
    if (!start)
        return say(serverNote_, asSentence(syncing::noServerAddressText(server->text())));
    // An e-mail address is most often the user name of its own service too.
    if (user->text().isEmpty() && syncing::isMailAddress(server->text()))
        user->setText(server->text().trimmed());
    if (user->text().isEmpty())
        return say(userNote_, QStringLiteral("The user name is missing."));
    // An account that signs in has no password: once signed in, its tokens stand for one.
    if (signsIn())
        return tokens_ ? checkSignedIn(*start) : signIn();
    if (passwordBox->text().isEmpty())
        return say(passwordNote_, QStringLiteral("The password is missing."));
    const syncing::SyncModuleLoad& module = syncing::loadSyncModule();
    if (!module.module)
        return tell(asSentence(module.failure));
    setBusy(true);
    checker_ = module.module->newAccountCheck(user->text(), passwordBox->text());
    checker_->check(*start, std::nullopt, [this](syncing::AccountCheck outcome) {
        syncing::destroyOnceReturned(std::move(checker_));
        checked(outcome);
    });
}

void SyncSetUpDialog::reject()
{
    // Cancel while the browser is awaited stops the wait, and the dialog stays for another try.
    if (waitingForBrowser())
        return cancelSignIn();
    QDialog::reject();
}

void SyncSetUpDialog::checked(const syncing::AccountCheck& outcome)
{
    setBusy(false);
    if (outcome.error) {
        const QString reason = asSentence(outcome.error->message);
        switch (outcome.error->kind) {
        case carddav::DavError::Unauthorized:
            if (tokens_)
                return say(signInNote_, reason);
            return say(passwordNote_, refusedPasswordText(server->text()));
        case carddav::DavError::Forbidden:
            return say(userNote_, reason);
        default:
            return say(serverNote_, reason);
        }
    }
    if (outcome.choice.kind != syncing::BookChoice::Chosen) {
        book->clear();
        for (const carddav::AddressBookInfo& info : outcome.books)
            book->addItem(info.displayName.isEmpty() ? info.pathName : info.displayName, info.url);
        showRow(bookLabel_, true);
        return say(bookNote_,
                   QStringLiteral("The server has several address books: choose one, then OK."));
    }
    remember(outcome.choice.book->url);
}

void SyncSetUpDialog::remember(const QUrl& bookUrl)
{
    if (tokens_)
        return keepSignedIn(bookUrl);
    try {
        const auto lock = fs_.lockFolder([] {});
        syncing::rememberSetUp(fs_, user->text(), bookUrl);
    } catch (const store::StoreError& error) {
        tellStoreFailure(QStringLiteral("Sync could not be set up"), error);
        return;
    }
    setBusy(true);
    tell(QStringLiteral("Keeping the password in the keyring..."));
    // The module was loaded by the check with the server.
    syncing::loadSyncModule().module->keepPassword(
        user->text(), bookUrl.host(), passwordBox->text(),
        [dialog = QPointer<SyncSetUpDialog>(this)](bool kept) {
            // Cancel may have closed the dialog while the keyring thought.
            if (dialog)
                dialog->keptOrNot(kept);
        });
}

void SyncSetUpDialog::keptOrNot(bool kept)
{
    setBusy(false);
    passwordKept_ = kept;
    setUpDone_ = true;
    if (kept)
        return QDialog::accept();
    setUpButNotKept(NotKept);
}

void SyncSetUpDialog::setUpButNotKept(const QString& text)
{
    for (QWidget* box :
         std::initializer_list<QWidget*>{server, user, passwordBox, book, stopButton})
        box->setEnabled(false);
    tell(text);
    okButton->setFocus();
}

void SyncSetUpDialog::stopSyncing()
{
    try {
        const auto lock = fs_.lockFolder([] {});
        syncing::removeStateFile(fs_);
    } catch (const store::StoreError& error) {
        tellStoreFailure(QStringLiteral("Sync could not be stopped"), error);
        return;
    }
    const QUrl known = syncing::serverAddress(server->text()).value_or(QUrl());
    // The keyring is reached through the sync module, which the window loaded before it opened
    // this dialog.
    if (syncing::SyncModule* module = syncing::loadSyncModule().module)
        module->forgetPassword(user->text(), known.host(), [] {});
    done(Stopped);
}
