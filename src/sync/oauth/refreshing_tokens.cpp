#include "sync/oauth/refreshing_tokens.h"

#include "sync/oauth/token_answer.h"
#include "sync/oauth/token_endpoint.h"

#include <QDateTime>

namespace syncing {
namespace {

carddav::DavError signInAgain(const OAuthClient& client, const std::string& why)
{
    return {carddav::DavError::Unauthorized,
            "the sign-in at " + client.issuer.host().toStdString() + " is no longer accepted (" +
                why + "); zarvoth --sync-setup signs in again through the browser",
            401};
}

} // namespace

RefreshingTokens::RefreshingTokens(OAuthClient client, OAuthTokens tokens)
    : client_(std::move(client)), tokens_(std::move(tokens)),
      endpoint_(std::make_unique<TokenEndpoint>())
{
}

RefreshingTokens::~RefreshingTokens() = default;

QByteArray RefreshingTokens::accessToken() const
{
    if (tokens_.access.isEmpty() || QDateTime::currentDateTimeUtc() >= tokens_.expires)
        return {};
    return tokens_.access.toUtf8();
}

void RefreshingTokens::renew(std::function<void(std::optional<carddav::DavError>)> done)
{
    waiting_.push_back(std::move(done));
    if (waiting_.size() > 1)
        return;
    // Whatever was refused, the old access token is not sent again.
    tokens_.access.clear();
    if (tokens_.refresh.isEmpty())
        return answerWaiting(signInAgain(client_, "the server gave no refresh token"));
    endpoint_->findEndpoints(client_.issuer, [this](carddav::DavResult<OAuthEndpoints> found) {
        if (auto* error = std::get_if<carddav::DavError>(&found))
            return answerWaiting(*error);
        endpoint_->ask(std::get<OAuthEndpoints>(found).token, refreshForm(client_, tokens_.refresh),
                       [this](TokenAnswer answer) {
                           if (answer.refused)
                               return answerWaiting(signInAgain(client_, answer.error));
                           if (!answer.tokens)
                               return answerWaiting(
                                   carddav::DavError{carddav::DavError::ServerError, answer.error});
                           const QString refresh = tokens_.refresh;
                           tokens_ = *answer.tokens;
                           if (tokens_.refresh.isEmpty())
                               tokens_.refresh = refresh;
                           else if (tokens_.refresh != refresh && refreshChanged_)
                               refreshChanged_(tokens_.refresh);
                           answerWaiting(std::nullopt);
                       });
    });
}

void RefreshingTokens::answerWaiting(const std::optional<carddav::DavError>& refused)
{
    for (auto& done : std::exchange(waiting_, {}))
        done(refused);
}

} // namespace syncing
