#pragma once

#include "sync/oauth/oauth_client.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>
#include <string>

// The browser's part of a sign-in: the address it is sent to, and what it brings back to the
// listener on this machine.
namespace syncing {

// The authorization endpoint with the code flow's parameters: the client, where to come back,
// the S256 challenge and the state. Google is asked for a refresh token too (offline access),
// and to ask the person again, so that a new sign-in always gives one.
QUrl authorizationAddress(const OAuthEndpoints& endpoints, const OAuthClient& client,
                          const QUrl& redirect, const QByteArray& state,
                          const QByteArray& challenge);

// What a request to the redirect address says: the code, or why there is none.
struct RedirectOutcome {
    std::optional<QString> code;
    // For the user, when there is no code: the server's refusal, or a state not this sign-in's.
    std::string error;
};

// A code counts only with this sign-in's own state: another page (or program) sending the
// browser here with a code of its own is turned away.
RedirectOutcome readRedirect(const QUrl& target, const QByteArray& expectedState);

// The whole HTTP answer to the browser: a short page saying the sign-in is done (or not, and
// why) and that the page may be closed.
QByteArray redirectPage(const RedirectOutcome& outcome);

} // namespace syncing
