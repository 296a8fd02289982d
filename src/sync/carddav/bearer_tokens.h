#pragma once

#include "sync/carddav/dav_error.h"

#include <QByteArray>

#include <functional>
#include <optional>

namespace carddav {

// An account that signs in with OAuth 2.0 rather than a password: the transport sends its
// access token as "Authorization: Bearer", and asks for a new one when the token has expired
// or the server answered 401.
class BearerTokens {
public:
    virtual ~BearerTokens() = default;
    // The access token to send now; empty when there is none or it has expired.
    virtual QByteArray accessToken() const = 0;
    // Gets a new access token and calls `done` once, on the event loop: nothing when there is
    // one, else why there is none (the sign-in was refused: sign in again).
    virtual void renew(std::function<void(std::optional<DavError>)> done) = 0;
};

} // namespace carddav
