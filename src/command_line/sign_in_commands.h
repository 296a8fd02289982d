#pragma once

#include "sync/oauth/oauth_client.h"
#include "sync/sync_module.h"

#include <QUrl>

#include <iosfwd>
#include <optional>
#include <string>

// Signing in through the browser from the command line, for an account whose server takes no
// password (Google's CardDAV, or --oauth-issuer).
namespace command_line {

// What --sync-setup was told of the sign-in.
struct SignInOptions {
    std::optional<QString> issuer;
    std::optional<QString> clientId;
    bool secretFromStandardInput = false;
};

// The client an account on `server` signs in with; nothing when it takes a password. Throws
// std::invalid_argument with the message for the user when the options do not fit.
std::optional<syncing::OAuthClient> signInClient(const QUrl& server, const SignInOptions& options,
                                                 syncing::SyncModule& module);

// Opens the browser through the desktop, prints the address too, and waits (at most five
// minutes) for the person to sign in. Throws std::runtime_error with the message for the user
// when there are no tokens.
syncing::OAuthTokens signInThroughBrowser(syncing::SyncModule& module,
                                          const syncing::OAuthClient& client, std::ostream& out);

} // namespace command_line
