// The sync module's entry: the one symbol libzarvoth-sync.so exports, and the SyncModule it
// gives, made of the sync's own pieces.
#include "sync/carddav/url_policy.h"
#include "sync/oauth/browser_sign_in.h"
#include "sync/oauth/kept_sign_in.h"
#include "sync/oauth/refreshing_tokens.h"
#include "sync/password/keyring.h"
#include "sync/password/password_sources.h"
#include "sync/run/sync_run.h"
#include "sync/setup/sync_setup.h"
#include "sync/sync_module.h"

#include <QtGlobal>

namespace syncing {
namespace {

class Sync final : public SyncJob {
public:
    Sync(store::FileSystem& fs, carddav::Credentials credentials) : run_(fs, std::move(credentials))
    {
    }
    void setProgress(std::function<void(std::size_t, std::size_t)> progress) override
    {
        run_.setProgress(std::move(progress));
    }
    void setRecordsWritten(std::function<void()> written) override
    {
        run_.setRecordsWritten(std::move(written));
    }
    void setWaitNotice(std::function<void(const std::string&)> notice) override
    {
        run_.setWaitNotice(std::move(notice));
    }
    void start(std::function<void(SyncReport)> done) override { run_.start(std::move(done)); }

private:
    SyncRun run_;
};

class AccountCheckByServer final : public AccountCheckJob {
public:
    explicit AccountCheckByServer(carddav::Credentials credentials)
        : checker_(std::move(credentials))
    {
    }
    void check(const QUrl& start, const std::optional<QString>& wanted,
               std::function<void(AccountCheck)> done) override
    {
        checker_.check(start, wanted, std::move(done));
    }

private:
    AccountChecker checker_;
};

class SignIn final : public SignInJob {
public:
    SignIn(OAuthClient client, std::function<bool(const QUrl&)> openBrowser)
        : signIn_(std::move(client), std::move(openBrowser))
    {
    }
    void start(std::function<void(const QUrl&)> showAddress,
               std::function<void(SignInOutcome)> done) override
    {
        signIn_.start(std::move(showAddress), std::move(done));
    }

private:
    BrowserSignIn signIn_;
};

carddav::Credentials signedIn(const QString& user, const OAuthClient& client,
                              const OAuthTokens& tokens, const QString& host = {})
{
    auto bearer = std::make_shared<RefreshingTokens>(client, tokens);
    if (!host.isEmpty())
        bearer->whenRefreshTokenChanges([user, host, client](const QString& refresh) {
            syncing::keepSignIn(user, host, {client, refresh}, [](bool) {});
        });
    return carddav::Credentials{user, {}, std::move(bearer)};
}

class Module final : public SyncModule {
public:
    std::unique_ptr<SyncJob> newSync(store::FileSystem& fs, const QString& user,
                                     const QString& password) override
    {
        return std::make_unique<Sync>(fs, carddav::Credentials{user, password});
    }
    std::unique_ptr<AccountCheckJob> newAccountCheck(const QString& user,
                                                     const QString& password) override
    {
        return std::make_unique<AccountCheckByServer>(carddav::Credentials{user, password});
    }
    void findPassword(const QString& user, const QUrl& server,
                      std::function<void(PasswordSearch)> done, PasswordQuestion ask) override
    {
        syncing::findPassword(user, server, std::move(done),
                              ask ? std::move(ask) : PasswordQuestion(askAtTerminal));
    }
    void keepPassword(const QString& user, const QString& host, const QString& password,
                      std::function<void(bool)> done) override
    {
        storeInKeyring(keyringKey(user, host), password, std::move(done));
    }
    void forgetPassword(const QString& user, const QString& host,
                        std::function<void()> done) override
    {
        removeFromKeyring(keyringKey(user, host),
                          [user, host, done] { syncing::forgetSignIn(user, host, done); });
    }
    std::optional<carddav::DavError> refusalToSend(const QUrl& url) override
    {
        return carddav::refusalToSend(url);
    }
    std::unique_ptr<SignInJob> newSignIn(const OAuthClient& client,
                                         std::function<bool(const QUrl&)> openBrowser) override
    {
        return std::make_unique<SignIn>(client, std::move(openBrowser));
    }
    std::unique_ptr<SyncJob> newSignedInSync(store::FileSystem& fs, const QString& user,
                                             const QString& host, const OAuthClient& client,
                                             const OAuthTokens& tokens) override
    {
        return std::make_unique<Sync>(fs, signedIn(user, client, tokens, host));
    }
    std::unique_ptr<AccountCheckJob> newSignedInAccountCheck(const QString& user,
                                                             const OAuthClient& client,
                                                             const OAuthTokens& tokens) override
    {
        return std::make_unique<AccountCheckByServer>(signedIn(user, client, tokens));
    }
    void keepSignIn(const QString& user, const QString& host, const KeptSignIn& kept,
                    std::function<void(bool)> done) override
    {
        syncing::keepSignIn(user, host, kept, std::move(done));
    }
    void findSignIn(const QString& user, const QString& host,
                    std::function<void(std::optional<KeptSignIn>)> done) override
    {
        findKeptSignIn(user, host, std::move(done));
    }
    void revokeSignIn(const KeptSignIn& kept, std::function<void()> done) override
    {
        syncing::revokeSignIn(kept, std::move(done));
    }
};

} // namespace
} // namespace syncing

extern "C" Q_DECL_EXPORT syncing::SyncModule* zarvoth_sync_module()
{
    static syncing::Module module;
    return &module;
}
