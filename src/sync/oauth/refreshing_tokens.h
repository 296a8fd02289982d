#pragma once

#include "sync/carddav/bearer_tokens.h"
#include "sync/oauth/oauth_client.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The tokens of one signed-in account for the length of a sync or a set-up: the access token
// in memory only, renewed with the refresh token when it has run out or was not accepted.
namespace syncing {

class TokenEndpoint;

class RefreshingTokens final : public carddav::BearerTokens {
public:
    RefreshingTokens(OAuthClient client, OAuthTokens tokens);
    ~RefreshingTokens() override;

    QByteArray accessToken() const override;
    // Requests that find the token run out together share one renewal.
    void renew(std::function<void(std::optional<carddav::DavError>)> done) override;

    // A new refresh token the server handed out with a renewal (some servers give a new one
    // each time), to be kept in place of the old.
    void whenRefreshTokenChanges(std::function<void(const QString&)> changed)
    {
        refreshChanged_ = std::move(changed);
    }

private:
    void answerWaiting(const std::optional<carddav::DavError>& refused);

    OAuthClient client_;
    OAuthTokens tokens_;
    std::unique_ptr<TokenEndpoint> endpoint_;
    std::vector<std::function<void(std::optional<carddav::DavError>)>> waiting_;
    std::function<void(const QString&)> refreshChanged_;
};

} // namespace syncing
