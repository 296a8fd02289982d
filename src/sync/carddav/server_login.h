#pragma once

#include "sync/carddav/bearer_tokens.h"
#include "sync/carddav/digest_login.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <map>
#include <memory>
#include <optional>

namespace carddav {

struct Credentials {
    QString user;
    QString password;
    // Set for an account that signs in through the browser (OAuth 2.0): its access token goes
    // with every request, to every server, and no password is ever sent.
    std::shared_ptr<BearerTokens> bearer = {};
};

// How requests log in to each server. An account that signs in through the browser sends its
// bearer token at once. Otherwise nothing is sent until a server asks (401 with
// WWW-Authenticate), then the login it asked for, Digest before Basic when it offers both, so
// that a server that takes Digest never sees the password. What a server asked for is kept:
// the requests after the first go with the login at once.
class ServerLogin {
public:
    explicit ServerLogin(Credentials credentials);

    // The Authorization header for a request to `url`; empty while its server asked for none.
    QByteArray authorization(const QByteArray& method, const QUrl& url);

    const std::shared_ptr<BearerTokens>& bearer() const { return credentials_.bearer; }

    // After a 401 from `url`'s server with this WWW-Authenticate: whether the request is worth
    // sending again. Yes when it went without a login, or when only the Digest nonce expired
    // (stale); no when the login it carried was refused, or the server asks for a login this
    // client does not know.
    bool challenged(const QUrl& url, const QByteArray& wwwAuthenticate, bool sentWithLogin);

    // The request target as it goes on the wire, which a Digest login hashes.
    static QByteArray requestTarget(const QUrl& url);

private:
    struct Server {
        bool basic = false;
        std::optional<DigestChallenge> digest;
        unsigned nonceCount = 0;
        QByteArray cnonce;
    };

    Credentials credentials_;
    // By scheme, host and port.
    std::map<QString, Server> servers_;
};

} // namespace carddav
