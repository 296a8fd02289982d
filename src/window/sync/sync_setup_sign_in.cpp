// The set-up dialog's sign-in through the browser, for an account that takes no password
// (Google's): the Sign In button in the password's place, the client's boxes where no client is
// built in, the wait for the browser, and a set-up kept as the command line keeps it.
#include "window/sync/sync_setup_dialog.h"

#include "desktop/desktop_links.h"
#include "store/file_system.h"
#include "store/store_error.h"
#include "sync/oauth/google_account.h"
#include "sync/oauth/provider_metadata.h"
#include "sync/setup/set_up_state.h"
#include "sync/state/state_file.h"
#include "sync/sync_module.h"
#include "sync/sync_module_loader.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

const QString GoogleClientMissing = QStringLiteral(
    "Google gives no sign-in to a program as such: register a \"Desktop app\" client of your "
    "own with the CardDAV API (the README says how) and type its ID and secret here.");
const QString SignInNotKept = QStringLiteral(
    "Sync is set up, but no keyring on this desktop took the sign-in, so it cannot be kept: "
    "this window syncs with it until it closes, and Set Up Sync signs in again after that. OK "
    "closes this dialog.");

// What the dialog says while the browser is awaited; the address too, for a browser that did
// not open (its link can be copied from the label's menu).
QString waitingText(const syncing::OAuthClient& client, const QUrl& address)
{
    const QString where =
        client.issuer == syncing::googleIssuer() ? QStringLiteral("Google") : client.issuer.host();
    QString text = QStringLiteral("Waiting for the browser: sign in to %1 there (at most five "
                                  "minutes). Cancel stops waiting.")
                       .arg(where.toHtmlEscaped());
    if (!address.isEmpty())
        text += QStringLiteral(" If no browser opened, open <a href=\"%1\">the sign-in "
                               "page</a> in one.")
                    .arg(QString::fromLatin1(address.toEncoded()).toHtmlEscaped());
    return text;
}

} // namespace

void SyncSetUpDialog::buildSignInRows(
    const std::function<QLabel*(const QString&, QWidget*, QLabel*)>& row)
{
    issuer = new QLineEdit(syncing::googleIssuer().toString(), this);
    issuer->setObjectName(QStringLiteral("TxtSyncIssuer"));
    clientId = new QLineEdit(this);
    clientId->setObjectName(QStringLiteral("TxtSyncClientId"));
    clientSecret = new QLineEdit(this);
    clientSecret->setObjectName(QStringLiteral("TxtSyncClientSecret"));
    clientSecret->setEchoMode(QLineEdit::Password);
    issuerNote_ = noteFor(issuer);
    clientIdNote_ = noteFor(clientId);
    secretNote_ = noteFor(clientSecret);
    issuerLabel_ = row(QStringLiteral("Sign-in se&rver:"), issuer, issuerNote_);
    issuer->setAccessibleDescription(
        QStringLiteral("The authorization server whose sign-in this CardDAV server takes"));
    clientLabels_ = {row(QStringLiteral("Client I&D:"), clientId, clientIdNote_),
                     row(QStringLiteral("Client se&cret:"), clientSecret, secretNote_)};

    // The Sign In button, and beside it who is signed in.
    auto* account = new QWidget(this);
    auto* line = new QHBoxLayout(account);
    line->setContentsMargins(0, 0, 0, 0);
    signInButton = new QPushButton(QStringLiteral("Sign &In"), account);
    signInButton->setObjectName(QStringLiteral("BtnSignIn"));
    signInButton->setAutoDefault(false);
    signInButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    signInButton->setAccessibleDescription(
        QStringLiteral("Opens the browser to sign in; this account takes no password"));
    signedInAs_ = new QLabel(account);
    signedInAs_->setObjectName(QStringLiteral("LblSignedInAs"));
    signedInAs_->setTextFormat(Qt::PlainText);
    signedInAs_->hide();
    line->addWidget(signInButton);
    line->addWidget(signedInAs_);
    line->addStretch(1);
    signInNote_ = noteFor(signInButton);
    signInLabel_ = row(QStringLiteral("Account:"), account, signInNote_);
    signInButton->setAccessibleName(signInButton->text().remove(u'&'));
    connect(signInButton, &QPushButton::clicked, this, &SyncSetUpDialog::signIn);
    // Signed in is for the account and client as they were typed then.
    for (QLineEdit* box : {server, user, issuer, clientId, clientSecret})
        connect(box, &QLineEdit::textEdited, this, &SyncSetUpDialog::forgetSignedIn);
}

bool SyncSetUpDialog::signsIn() const
{
    return forceSignIn_ || syncing::isGoogleAccount(server->text());
}

bool SyncSetUpDialog::waitingForBrowser() const
{
    return signInJob_ != nullptr;
}

void SyncSetUpDialog::showSignInRows()
{
    const bool signs = signsIn();
    const bool otherIssuer = signs && !syncing::isGoogleAccount(server->text());
    const bool needsClient = signs && (otherIssuer || !syncing::builtInGoogleClient());
    const int shown = int(signs) | int(otherIssuer) << 1 | int(needsClient) << 2;
    if (shown == signInRowsShown_)
        return;
    signInRowsShown_ = shown;
    showRow(passwordLabel_, !signs);
    showRow(signInLabel_, signs);
    showRow(issuerLabel_, otherIssuer);
    for (QLabel* label : clientLabels_)
        showRow(label, needsClient);
    // What was said of the rows is about the other way of logging in.
    for (QLabel* note : {passwordNote_, signInNote_, issuerNote_, clientIdNote_, secretNote_})
        note->hide();
    googleButton->setVisible(!signs);
}

void SyncSetUpDialog::useGoogle()
{
    forceSignIn_ = true;
    if (!syncing::serverAddress(server->text()))
        server->setText(QStringLiteral("https://www.googleapis.com/"));
    showSignInRows();
    if (user->text().isEmpty())
        user->setFocus();
    else
        (clientId->isHidden() || !clientId->text().isEmpty() ? static_cast<QWidget*>(signInButton)
                                                             : clientId)
            ->setFocus();
}

std::optional<syncing::OAuthClient> SyncSetUpDialog::chosenClient()
{
    syncing::OAuthClient client{syncing::googleIssuer(), {}, {}};
    if (!issuer->isHidden()) {
        const std::optional<QUrl> address = syncing::serverAddress(issuer->text());
        if (!address) {
            say(issuerNote_, asSentence(syncing::noServerAddressText(issuer->text())));
            return std::nullopt;
        }
        client.issuer = *address;
    }
    if (clientId->isHidden())
        return syncing::builtInGoogleClient();
    client.id = clientId->text().trimmed();
    client.secret = clientSecret->text();
    if (client.id.isEmpty()) {
        say(clientIdNote_, client.issuer == syncing::googleIssuer()
                               ? GoogleClientMissing
                               : QStringLiteral("The client ID is missing."));
        return std::nullopt;
    }
    return client;
}

void SyncSetUpDialog::signIn()
{
    if (waitingForBrowser() || checking())
        return;
    clearNotes();
    forgetSignedIn();
    if (user->text().isEmpty() && syncing::isMailAddress(server->text()))
        user->setText(server->text().trimmed());
    if (user->text().isEmpty())
        return say(userNote_, QStringLiteral("The user name is missing."));
    const std::optional<syncing::OAuthClient> client = chosenClient();
    if (!client)
        return;
    const syncing::SyncModuleLoad& module = syncing::loadSyncModule();
    if (!module.module)
        return tell(asSentence(module.failure));
    // The sign-in server is given codes and tokens: as a password, only over https.
    if (const auto refusal = module.module->refusalToSend(client->issuer))
        return say(issuerNote_, asSentence(refusal->message));
    client_ = client;
    signInJob_ = module.module->newSignIn(*client, desktop::openLink);
    setBusy(true);
    tell(waitingText(*client, QUrl()));
    signInJob_->start([this](const QUrl& address) { tell(waitingText(*client_, address)); },
                      [this](syncing::SignInOutcome outcome) {
                          syncing::destroyOnceReturned(std::move(signInJob_));
                          signedIn(std::move(outcome));
                      });
}

void SyncSetUpDialog::signedIn(syncing::SignInOutcome outcome)
{
    setBusy(false);
    if (!outcome.tokens) {
        client_.reset();
        tell(asSentence("not signed in: " + outcome.error));
        return signInButton->setFocus();
    }
    tokens_ = std::move(outcome.tokens);
    signedInAs_->setText(QStringLiteral("Signed in as %1").arg(user->text()));
    signedInAs_->show();
    tell(QStringLiteral("OK sets up sync with this account."));
    okButton->setFocus();
}

void SyncSetUpDialog::cancelSignIn()
{
    // The listener closes with the sign-in; whatever the browser brings later finds no one.
    signInJob_.reset();
    client_.reset();
    setBusy(false);
    tell(QStringLiteral("The sign-in was cancelled; nothing was kept."));
    signInButton->setFocus();
}

void SyncSetUpDialog::forgetSignedIn()
{
    if (waitingForBrowser())
        return;
    tokens_.reset();
    client_.reset();
    signedInAs_->hide();
}

void SyncSetUpDialog::checkSignedIn(const QUrl& start)
{
    const syncing::SyncModuleLoad& module = syncing::loadSyncModule();
    if (!module.module)
        return tell(asSentence(module.failure));
    setBusy(true);
    checker_ = module.module->newSignedInAccountCheck(user->text(), *client_, *tokens_);
    checker_->check(start, std::nullopt, [this](syncing::AccountCheck outcome) {
        syncing::destroyOnceReturned(std::move(checker_));
        checked(outcome);
    });
}

void SyncSetUpDialog::keepSignedIn(const QUrl& bookUrl)
{
    setBusy(true);
    tell(QStringLiteral("Keeping the sign-in in the keyring..."));
    // The module was loaded by the sign-in.
    syncing::SyncModule& module = *syncing::loadSyncModule().module;
    const syncing::KeptSignIn kept{*client_, tokens_->refresh};
    const auto keep = [dialog = QPointer<SyncSetUpDialog>(this), &module, kept, bookUrl,
                       user = user->text()] {
        if (kept.refreshToken.isEmpty())
            return dialog ? dialog->rememberSignedIn(bookUrl, false) : void();
        module.keepSignIn(user, bookUrl.host(), kept, [dialog, bookUrl](bool done) {
            // Cancel may have closed the dialog while the keyring thought.
            if (dialog)
                dialog->rememberSignedIn(bookUrl, done);
        });
    };
    // As a new set-up from the command line: an earlier set-up's sign-in is taken out of the
    // keyring and given back to its provider before this one is kept.
    std::optional<syncing::SyncState> last;
    try {
        const auto lock = fs_.lockFolder([] {});
        last = syncing::readStateFile(fs_);
    } catch (const syncing::BadStateFile&) {
    } catch (const store::StoreError&) {
    }
    if (!last || !syncing::rememberedSignIn(*last))
        return keep();
    module.forgetPassword(QString::fromStdString(last->user),
                          QUrl(QString::fromStdString(last->bookUrl)).host(), keep);
}

void SyncSetUpDialog::rememberSignedIn(const QUrl& bookUrl, bool kept)
{
    setBusy(false);
    try {
        const auto lock = fs_.lockFolder([] {});
        syncing::rememberSetUp(fs_, user->text(), bookUrl, client_);
    } catch (const store::StoreError& error) {
        syncing::loadSyncModule().module->forgetPassword(user->text(), bookUrl.host(), [] {});
        forgetSignedIn();
        return tellStoreFailure(QStringLiteral("Sync could not be set up"), error);
    }
    keptSignIn_ = syncing::KeptSignIn{*client_, tokens_->refresh};
    signInHost_ = bookUrl.host();
    passwordKept_ = kept;
    setUpDone_ = true;
    if (kept)
        return QDialog::accept();
    // The window's syncs never open a browser by themselves: without a keyring, this window
    // keeps the sign-in until it closes, as it keeps a password no keyring took.
    for (QWidget* box : std::initializer_list<QWidget*>{clientId, clientSecret, issuer,
                                                        signInButton, googleButton})
        box->setEnabled(false);
    setUpButNotKept(SignInNotKept);
}
