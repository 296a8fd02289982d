#include "sync/oauth/kept_sign_in.h"

#include "sync/oauth/token_answer.h"
#include "sync/oauth/token_endpoint.h"
#include "sync/password/keyring.h"

namespace syncing {
namespace {

QString signInKey(const QString& user, const QString& host)
{
    return keyringKey(user, host) + QStringLiteral(" sign-in");
}

} // namespace

void keepSignIn(const QString& user, const QString& host, const KeptSignIn& kept,
                std::function<void(bool)> done)
{
    storeInKeyring(signInKey(user, host), keptSignInText(kept), std::move(done));
}

void findKeptSignIn(const QString& user, const QString& host,
                    std::function<void(std::optional<KeptSignIn>)> done)
{
    readFromKeyring(signInKey(user, host), [done](std::optional<QString> text) {
        done(text ? readKeptSignIn(*text) : std::nullopt);
    });
}

void forgetSignIn(const QString& user, const QString& host, std::function<void()> done)
{
    findKeptSignIn(user, host, [user, host, done](std::optional<KeptSignIn> kept) {
        removeFromKeyring(signInKey(user, host), [kept, done] {
            if (!kept)
                return done();
            revokeSignIn(*kept, done);
        });
    });
}

void revokeSignIn(const KeptSignIn& kept, std::function<void()> done)
{
    // Lives until the provider answered or the request timed out.
    auto* endpoint = new TokenEndpoint;
    auto finished = [endpoint, done] {
        endpoint->deleteLater();
        done();
    };
    endpoint->findEndpoints(
        kept.client.issuer, [endpoint, kept, finished](carddav::DavResult<OAuthEndpoints> found) {
            const auto* endpoints = std::get_if<OAuthEndpoints>(&found);
            if (!endpoints || endpoints->revocation.isEmpty())
                return finished();
            endpoint->revoke(endpoints->revocation, revocationForm(kept.client, kept.refreshToken),
                             finished);
        });
}

} // namespace syncing
