#pragma once

#include "sync/oauth/oauth_client.h"

#include <QByteArray>
#include <QDateTime>
#include <QUrl>

#include <optional>
#include <string>

// What is sent to the token endpoint and what its answers mean.
namespace syncing {

// The form that trades the browser's code for tokens, with the PKCE verifier.
QByteArray codeExchangeForm(const OAuthClient& client, const QString& code, const QUrl& redirect,
                            const QByteArray& verifier);

// The form that asks for a new access token with the refresh token.
QByteArray refreshForm(const OAuthClient& client, const QString& refreshToken);

// The form that gives a token back (revocation).
QByteArray revocationForm(const OAuthClient& client, const QString& token);

struct TokenAnswer {
    std::optional<OAuthTokens> tokens;
    // The server refused the code or the refresh token itself (invalid_grant): the person must
    // sign in again. Anything else (a server error, an answer not understood) may pass.
    bool refused = false;
    // For the user, when there are no tokens.
    std::string error;
};

// Reads the token endpoint's answer given at `now`. The access token counts as expired a little
// before the server said, so that it is not sent just as it runs out. A refresh that brings no
// new refresh token keeps the old one (the caller's).
TokenAnswer readTokenAnswer(int status, const QByteArray& body, const QDateTime& now);

} // namespace syncing
