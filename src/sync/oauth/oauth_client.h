#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <optional>
#include <string>

// An account that signs in through the browser with OAuth 2.0: who gives the tokens, and the
// client registered with it that asks for them. Plain data, so that the window and the commands
// hold it without the network.
namespace syncing {

struct OAuthClient {
    // The authorization server (https://accounts.google.com for Google).
    QUrl issuer;
    QString id;
    // Google's desktop clients have one; it is kept in the keyring, never in a file.
    QString secret;
};

struct OAuthEndpoints {
    QUrl authorization;
    QUrl token;
    // Empty when the provider offers no way to give a token back.
    QUrl revocation;
    // What is asked for; empty when the provider's default will do.
    QString scope;
};

// What a sign-in gives. The access token lives in memory only; the refresh token goes to the
// keyring.
struct OAuthTokens {
    QString access;
    // When the access token stops being accepted (a little before the server said).
    QDateTime expires;
    QString refresh;
};

// What a sign-in through the browser ended with.
struct SignInOutcome {
    std::optional<OAuthTokens> tokens;
    // For the user, when there are none.
    std::string error;
};

// What the keyring keeps of a signed-in account: enough to renew its access and to give it
// back.
struct KeptSignIn {
    OAuthClient client;
    QString refreshToken;
};

// The keyring's entry for a sign-in, as text; nothing when the text is no such entry.
QString keptSignInText(const KeptSignIn& kept);
std::optional<KeptSignIn> readKeptSignIn(const QString& text);

} // namespace syncing
