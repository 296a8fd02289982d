#pragma once

#include "store/file_system.h"
#include "sync/carddav/dav_error.h"
#include "sync/oauth/oauth_client.h"
#include "sync/password/password_search.h"
#include "sync/run/sync_report.h"
#include "sync/setup/account_check.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// What the program asks of the sync module, libzarvoth-sync.so: the CardDAV client, the runs
// of a sync and the keyring. The module alone links Qt Network and the keyring's library, and
// the program loads it only when a sync is first needed (sync_module_loader.h), so that a
// start that never syncs maps and relocates none of those libraries and their own.
//
// Everything crossing over is plain data, Qt Core types and callbacks; every callback is
// called on the event loop.
namespace syncing {

// One two-way sync of the folder's contacts. Destroying it ends it without a call back.
class SyncJob {
public:
    virtual ~SyncJob() = default;
    // How many of the step's cards are done, and how many the step has.
    virtual void setProgress(std::function<void(std::size_t done, std::size_t total)> progress) = 0;
    // Once the contacts here were written, before the sync goes on with the server.
    virtual void setRecordsWritten(std::function<void()> written) = 0;
    // One line when the server asked to wait, or is still working on an answer.
    virtual void setWaitNotice(std::function<void(const std::string&)> notice) = 0;
    // Runs the sync; `done` is called once.
    virtual void start(std::function<void(SyncReport)> done) = 0;
};

// A job calling back is in the middle of its own code: it is destroyed once the event loop is
// back, as QObject::deleteLater() does.
template <typename Job> void destroyOnceReturned(std::unique_ptr<Job> job)
{
    struct Holder : QObject {
        std::unique_ptr<Job> job;
    };
    auto* holder = new Holder;
    holder->job = std::move(job);
    holder->deleteLater();
}

// The account's address books found from a start address, and one chosen. Destroying it ends
// the check without a call back.
class AccountCheckJob {
public:
    virtual ~AccountCheckJob() = default;
    virtual void check(const QUrl& start, const std::optional<QString>& wanted,
                       std::function<void(AccountCheck)> done) = 0;
};

// Signing in through the browser. Destroying it ends the sign-in without a call back, nothing
// kept.
class SignInJob {
public:
    virtual ~SignInJob() = default;
    // `showAddress` is told where the browser is sent, before it is opened; `done` is called
    // once.
    virtual void start(std::function<void(const QUrl&)> showAddress,
                       std::function<void(SignInOutcome)> done) = 0;
};

class SyncModule {
public:
    virtual std::unique_ptr<SyncJob> newSync(store::FileSystem& fs, const QString& user,
                                             const QString& password) = 0;
    virtual std::unique_ptr<AccountCheckJob> newAccountCheck(const QString& user,
                                                             const QString& password) = 0;
    // The keyring, ~/.netrc, then the person through `ask` (the terminal when it is empty).
    virtual void findPassword(const QString& user, const QUrl& server,
                              std::function<void(PasswordSearch)> done, PasswordQuestion ask) = 0;
    // The keyring's entry of one user on one server.
    virtual void keepPassword(const QString& user, const QString& host, const QString& password,
                              std::function<void(bool kept)> done) = 0;
    // Forgets the password and the sign-in alike.
    virtual void forgetPassword(const QString& user, const QString& host,
                                std::function<void()> done) = 0;
    // Why a password may not be sent to `url` (no https, nor http to this machine), if so.
    virtual std::optional<carddav::DavError> refusalToSend(const QUrl& url) = 0;

    // Accounts that sign in through the browser (OAuth 2.0). `openBrowser` hands an address to
    // the desktop's browser.
    virtual std::unique_ptr<SignInJob> newSignIn(const OAuthClient& client,
                                                 std::function<bool(const QUrl&)> openBrowser) = 0;
    // A sync or a check with the account's tokens, renewed as they run out; a new refresh
    // token the provider hands out meanwhile is kept in the keyring entry of user and host.
    virtual std::unique_ptr<SyncJob> newSignedInSync(store::FileSystem& fs, const QString& user,
                                                     const QString& host, const OAuthClient& client,
                                                     const OAuthTokens& tokens) = 0;
    virtual std::unique_ptr<AccountCheckJob> newSignedInAccountCheck(const QString& user,
                                                                     const OAuthClient& client,
                                                                     const OAuthTokens& tokens) = 0;
    // The keyring's sign-in of one user on one server (forgetPassword forgets it too, and
    // gives its token back to the provider).
    virtual void keepSignIn(const QString& user, const QString& host, const KeptSignIn& kept,
                            std::function<void(bool kept)> done) = 0;
    virtual void findSignIn(const QString& user, const QString& host,
                            std::function<void(std::optional<KeptSignIn>)> done) = 0;
    // Gives a refresh token back to its provider, where it has a way to take it.
    virtual void revokeSignIn(const KeptSignIn& kept, std::function<void()> done) = 0;

protected:
    // The module's one instance lives as long as the program.
    ~SyncModule() = default;
};

// The module's one export: `extern "C" SyncModule* zarvoth_sync_module()`.
inline constexpr char SyncModuleEntry[] = "zarvoth_sync_module";
using SyncModuleEntryFunction = SyncModule* (*)();

} // namespace syncing
