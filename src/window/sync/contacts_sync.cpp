// Sync Now and Set Up Sync...: the contacts kept the same as on a CardDAV server, from the
// list's pop-up menu and in the background: when the window opens, every 15 minutes, and
// briefly at EXIT after a change. A sync waits for the network on the event loop and holds the
// folder only for its file steps, so the window goes on meanwhile; what it wrote reaches the
// window as window/sync/sync_catch_up.cpp tells.
#include "window/form/form1x.h"

#include "store/file_system.h"
#include "sync/setup/set_up_state.h"
#include "sync/state/state_file.h"
#include "sync/sync_module.h"
#include "sync/sync_module_loader.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/sync/sync_desk.h"
#include "window/sync/sync_setup_dialog.h"

#include <QAction>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

namespace {

constexpr int backgroundIntervalMs = 15 * 60 * 1000;
// EXIT never waits longer than this for its sync; what is left goes at the next one.
constexpr int exitPatienceMs = 5000;
// Below this many cards a sync is over before a count could be read.
constexpr std::size_t countFrom = 50;
constexpr int resultShownMs = 30 * 1000;
const QString NoSignInKept =
    QStringLiteral("The contacts could not be synced: no keyring on this desktop keeps the "
                   "sign-in of this account, which signs in through the browser. zarvoth "
                   "--sync-setup signs in again; nothing was lost.");

// An empty book opens on a new entry, where ADD NEW is greyed: the hint points at the boxes.
const QString EmptyBookHint =
    QStringLiteral("No contacts yet. Type one in the boxes and SAVE it; a right click here "
                   "imports contacts or sets up sync.");
const QString FilledListDescription = QStringLiteral("Choose a nickname to show its contact");

// Counts with a thousands separator, as the window's other English texts.
QString count(std::size_t number)
{
    return QLocale(QLocale::English).toString(qulonglong(number));
}

QString contactsInOut(const syncing::SyncReport& report)
{
    return QStringLiteral("%1 %2 in, %3 out")
        .arg(count(report.contactsIn),
             report.contactsIn == 1 ? QStringLiteral("contact") : QStringLiteral("contacts"),
             count(report.contactsOut));
}

} // namespace

void Form1x::SyncDeskDeleter::operator()(SyncDesk* desk) const
{
    delete desk;
}

void Form1x::connectSyncEvents()
{
    sync_.reset(new SyncDesk);
    connect(MnuSyncNow, &QAction::triggered, this, [this] { MnuSyncNow_Click(); });
    connect(MnuSyncSetUp, &QAction::triggered, this, [this] { MnuSyncSetUp_Click(); });
    sync_->progress = new QProgressBar(StatusBar1);
    sync_->progress->setObjectName(QStringLiteral("SyncProgress"));
    sync_->progress->setAccessibleName(QStringLiteral("Sync progress"));
    sync_->progress->setMaximumWidth(1440 / 15);
    sync_->progress->setTextVisible(false);
    StatusBar1->addPermanentWidget(sync_->progress);
    sync_->progress->hide();
    sync_->every15Minutes = new QTimer(this);
    sync_->every15Minutes->setObjectName(QStringLiteral("SyncEvery15Minutes"));
    sync_->every15Minutes->setInterval(backgroundIntervalMs);
    connect(sync_->every15Minutes, &QTimer::timeout, this,
            [this] { startSync(SyncStart::Every15Minutes); });
    // Whether sync is set up is only looked at here to start the first sync once the window
    // is up; the sync itself reads its set-up under the folder's lock.
    if (QFileInfo::exists(QString::fromLatin1(syncing::StateFileName)))
        QTimer::singleShot(0, this, [this] { startSync(SyncStart::AtOpen); });
}

syncing::SyncModule* Form1x::syncModule(SyncStart how)
{
    const syncing::SyncModuleLoad& load = syncing::loadSyncModule();
    if (load.module || sync_->exiting)
        return load.module;
    // The window goes on without sync; the background syncs say so once.
    const QString text = asSentence(load.failure) +
                         QStringLiteral(" Nothing was lost; the contacts stay as they are.");
    if (how == SyncStart::Asked || text != sync_->failureTold)
        dialogs_->showMessage(text);
    sync_->failureTold = text;
    return nullptr;
}

void Form1x::MnuSyncNow_Click()
{
    startSync(SyncStart::Asked);
}

void Form1x::MnuSyncSetUp_Click()
{
    if (!syncModule(SyncStart::Asked))
        return;
    std::optional<syncing::SyncState> state;
    if (!runAction([&] { state = syncing::readSyncAccount(fileSystem_); }))
        return;
    const QUrl server = state ? QUrl(QString::fromStdString(state->bookUrl)) : QUrl();
    const QString user = state ? QString::fromStdString(state->user) : QString();
    SyncSetUpDialog dialog(fileSystem_, server, user, this);
    const int outcome = dialogs_->setUpSync(dialog);
    if (outcome == SyncSetUpDialog::Stopped) {
        sync_->every15Minutes->stop();
        sync_->password.reset();
        sync_->sessionSignIn.reset();
        StatusBar1->show();
        StatusBar1->showMessage(QStringLiteral("Sync is stopped; the contacts stay."),
                                resultShownMs);
        return;
    }
    if (outcome != SyncSetUpDialog::SetUp)
        return;
    sync_->password = dialog.passwordKept() ? std::nullopt : std::optional(dialog.password());
    sync_->sessionSignIn = dialog.passwordKept() ? std::nullopt : dialog.keptSignIn();
    sync_->failureTold.clear();
    if (sync_->running)
        return;
    if (dialog.keptSignIn()) {
        sync_->signIn = dialog.keptSignIn();
        sync_->signInHost = dialog.signInHost();
    }
    // The first sync with the new set-up, with the password just typed or the sign-in.
    runSync(SyncStart::Asked, dialog.user->text(), dialog.password());
}

void Form1x::startSync(SyncStart how)
{
    if (sync_->running || sync_->exiting)
        return;
    std::optional<syncing::SyncState> state;
    const bool read = runAction([&] { state = syncing::readSyncAccount(fileSystem_); });
    if (!read)
        return;
    if (!state) {
        if (how == SyncStart::Asked)
            MnuSyncSetUp_Click();
        return;
    }
    syncing::SyncModule* module = syncModule(how);
    if (!module)
        return;
    const QString user = QString::fromStdString(state->user);
    if (syncing::rememberedSignIn(*state)) {
        // An account that signs in through the browser: the keyring's sign-in stands for the
        // password. Without one the window does not open a browser by itself.
        const QString host = QUrl(QString::fromStdString(state->bookUrl)).host();
        if (sync_->sessionSignIn) {
            sync_->signIn = sync_->sessionSignIn;
            sync_->signInHost = host;
            return runSync(how, user, QString());
        }
        sync_->running = true;
        MnuSyncNow->setEnabled(false);
        module->findSignIn(user, host,
                           [this, window = QPointer<Form1x>(this), how, user,
                            host](std::optional<syncing::KeptSignIn> kept) {
                               if (!window)
                                   return;
                               sync_->running = false;
                               MnuSyncNow->setEnabled(true);
                               if (sync_->exiting)
                                   return;
                               if (!kept) {
                                   if (how == SyncStart::Asked)
                                       dialogs_->showMessage(NoSignInKept);
                                   return;
                               }
                               sync_->signIn = *kept;
                               sync_->signInHost = host;
                               runSync(how, user, QString());
                           });
        return;
    }
    if (sync_->password)
        return runSync(how, user, *sync_->password);
    // The person is asked only when they are there to be: never in the background later on.
    const bool mayAsk = how != SyncStart::Every15Minutes;
    sync_->running = true;
    MnuSyncNow->setEnabled(false);
    // The keyring may answer after the window is gone.
    const QPointer<Form1x> window(this);
    module->findPassword(
        user, QUrl(QString::fromStdString(state->bookUrl)),
        [this, window, how, user](syncing::PasswordSearch search) {
            if (!window)
                return;
            sync_->running = false;
            MnuSyncNow->setEnabled(true);
            if (!search.password)
                return;
            if (!search.fromKeyring)
                sync_->password = search.password;
            runSync(how, user, *search.password);
        },
        [this, mayAsk](const QString& prompt) -> std::optional<QString> {
            if (!mayAsk || sync_->exiting)
                return std::nullopt;
            return dialogs_->passwordBox(prompt);
        });
}

void Form1x::runSync(SyncStart how, const QString& user, const QString& password)
{
    syncing::SyncModule* module = syncModule(how);
    if (sync_->exiting || !module)
        return;
    sync_->running = true;
    MnuSyncNow->setEnabled(false);
    StatusBar1->show();
    StatusBar1->showMessage(QStringLiteral("Syncing..."));
    if (sync_->signIn) {
        syncing::OAuthTokens tokens;
        tokens.refresh = sync_->signIn->refreshToken;
        sync_->run = module->newSignedInSync(fileSystem_, user, sync_->signInHost,
                                             sync_->signIn->client, tokens);
        sync_->signIn.reset();
    } else {
        sync_->run = module->newSync(fileSystem_, user, password);
    }
    sync_->run->setProgress([this](std::size_t done, std::size_t total) {
        if (total < countFrom)
            return;
        StatusBar1->showMessage(QStringLiteral("Syncing %1 of %2").arg(count(done), count(total)));
        sync_->progress->setRange(0, int(total));
        sync_->progress->setValue(int(done));
        sync_->progress->show();
    });
    sync_->run->setRecordsWritten([this] { catchUpWithSync(); });
    sync_->run->setWaitNotice(
        [this](const std::string& notice) { StatusBar1->showMessage(asSentence(notice)); });
    sync_->run->start([this, how](syncing::SyncReport report) { syncEnded(how, report); });
}

void Form1x::syncEnded(SyncStart how, const syncing::SyncReport& report)
{
    syncing::destroyOnceReturned(std::move(sync_->run));
    sync_->running = false;
    sync_->progress->hide();
    MnuSyncNow->setEnabled(true);
    StatusBar1->clearMessage();
    StatusBar1->setVisible(StatusBar1->hasNotice());
    if (report.outcome == syncing::SyncReport::NotSetUp || sync_->exiting)
        return;
    sync_->every15Minutes->start();
    runAction([this] { sync_->syncedFingerprint = bookFingerprint(); });
    if (report.contactsIn + report.contactsOut > 0) {
        StatusBar1->show();
        StatusBar1->showMessage(contactsInOut(report), resultShownMs);
        QTimer::singleShot(resultShownMs, StatusBar1, [this] {
            if (!sync_->running && StatusBar1->currentMessage().isEmpty() &&
                !StatusBar1->hasNotice())
                StatusBar1->hide();
        });
    }
    if (report.outcome == syncing::SyncReport::Failed) {
        if (report.passwordRefused)
            sync_->password.reset();
        QString text = QStringLiteral("The contacts could not be synced: %1 Nothing was lost; "
                                      "the next sync picks up.")
                           .arg(asSentence(report.error));
        if (report.passwordRefused)
            text += QStringLiteral(" Set Up Sync... in the list's pop-up menu takes the new "
                                   "password.");
        // A background sync that fails the same way again says so once.
        if (how == SyncStart::Asked || text != sync_->failureTold)
            dialogs_->showMessage(text);
        sync_->failureTold = text;
        return;
    }
    sync_->failureTold.clear();
    if (!report.notices.empty())
        dialogs_->showMessage(QString::fromStdString(syncing::summaryText(report)).trimmed());
}

void Form1x::describeList()
{
    const bool empty = state_.RecordCount == 0 && ListNick->count() == 0;
    ListNick->setEmptyHint(empty ? EmptyBookHint : QString());
    ListNick->setAccessibleDescription(empty ? EmptyBookHint : FilledListDescription);
}

std::size_t Form1x::bookFingerprint()
{
    OpenDataFile();
    std::size_t hash = std::hash<std::int32_t>()(state_.RecordCount);
    for (std::int32_t i = 1; i <= state_.RecordCount; ++i) {
        const auto bytes = viewRecord(i).bytes();
        hash = hash * 1099511628211u ^
               std::hash<std::string_view>()(
                   {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    }
    closeDataFile();
    return hash;
}

void Form1x::syncBeforeExit()
{
    // Only where sync is set up; EXIT elsewhere touches no file.
    if (!sync_ || sync_->exiting || !QFileInfo::exists(QString::fromLatin1(syncing::StateFileName)))
        return;
    // Without its module the change waits for the next sync, which says why; nothing is lost.
    syncing::SyncModule* module = syncing::loadSyncModule().module;
    if (!module)
        return;
    sync_->exiting = true;
    sync_->every15Minutes->stop();
    QElapsedTimer clock;
    clock.start();
    QEventLoop wait;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &wait, &QEventLoop::quit);
    const auto waitAtMost = [&](int ms, const std::function<bool()>& over) {
        deadline.start(std::max(0, ms));
        QTimer poll;
        connect(&poll, &QTimer::timeout, &wait, [&] {
            if (over())
                wait.quit();
        });
        poll.start(20);
        if (!over())
            wait.exec(QEventLoop::ExcludeUserInputEvents);
    };
    setEnabled(false);
    // A sync under way is given the time; one after a change here takes what is left of it.
    if (sync_->running) {
        StatusBar1->show();
        StatusBar1->showMessage(QStringLiteral("Finishing the sync..."));
        waitAtMost(exitPatienceMs, [this] { return !sync_->running; });
    }
    std::optional<syncing::SyncState> state;
    std::size_t now = 0;
    const bool read = !sync_->running && runAction([&] {
        state = syncing::readSyncAccount(fileSystem_);
        if (state)
            now = bookFingerprint();
    });
    const bool changed = !sync_->syncedFingerprint || *sync_->syncedFingerprint != now;
    // Without a password at hand the keyring is asked, and only while it can still answer.
    const bool timeForKeyring = clock.elapsed() + syncing::keyringPatienceMs < exitPatienceMs - 500;
    if (read && state && changed && (sync_->password || timeForKeyring)) {
        StatusBar1->show();
        StatusBar1->showMessage(QStringLiteral("Syncing the changes before closing..."));
        // Shared with the callbacks, which may come after this function gave up waiting.
        auto ended = std::make_shared<bool>(false);
        const QString user = QString::fromStdString(state->user);
        const auto go = [this, module, user, ended](const QString& password) {
            sync_->run = module->newSync(fileSystem_, user, password);
            sync_->running = true;
            sync_->run->start([this, ended](syncing::SyncReport) {
                syncing::destroyOnceReturned(std::move(sync_->run));
                sync_->running = false;
                *ended = true;
            });
        };
        if (sync_->password) {
            go(*sync_->password);
        } else {
            module->findPassword(
                user, QUrl(QString::fromStdString(state->bookUrl)),
                [window = QPointer<Form1x>(this), go, ended](syncing::PasswordSearch search) {
                    if (window && search.password && !window->sync_->run && !*ended)
                        go(*search.password);
                    else
                        *ended = true;
                },
                [](const QString&) { return std::nullopt; });
        }
        waitAtMost(exitPatienceMs - int(clock.elapsed()), [ended] { return *ended; });
        *ended = true; // a password found later starts nothing
    }
    // Whatever has not answered by now ends with the run; the next sync picks up.
    sync_->run.reset();
}
