#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <vector>

// The arithmetic of a Digest login (the server's challenge in, the client's Authorization out),
// so that the password itself never crosses the wire: only a hash of it with the server's
// nonce, a nonce of our own and a counter. Plain functions, no network.
namespace carddav {

// One challenge of a WWW-Authenticate header: the scheme in lower case and its parameters,
// names in lower case, values unquoted.
struct AuthChallenge {
    QByteArray scheme;
    std::map<QByteArray, QByteArray> params;
};

// Every challenge of a WWW-Authenticate header, or of several joined by commas as the network
// hands them over: `Digest realm="a", qop="auth", Basic realm="a"` is two.
std::vector<AuthChallenge> parseChallenges(const QByteArray& header);

struct DigestChallenge {
    QByteArray realm;
    QByteArray nonce;
    QByteArray opaque;
    // "MD5", "SHA-256", "MD5-sess" or "SHA-256-sess"; MD5 when the server named none.
    QByteArray algorithm = "MD5";
    // The server offered qop=auth: the answer counts its uses of the nonce. Without it, the
    // older form without counter and client nonce is used.
    bool qopAuth = false;
    // The nonce expired, not the password: the same login again with the new nonce.
    bool stale = false;
};

// A Digest challenge this client can answer; none for another scheme, an algorithm it does
// not know, or a qop without "auth" (auth-int alone).
std::optional<DigestChallenge> digestChallenge(const AuthChallenge& challenge);

// The hex "response" value a Digest login sends for this request. `nonceCount` counts the
// requests sent with this nonce, from 1.
QByteArray digestResponse(const DigestChallenge& challenge, const QString& user,
                          const QString& password, const QByteArray& method, const QByteArray& uri,
                          unsigned nonceCount, const QByteArray& cnonce);

// The whole Authorization header value of a Digest login for this request.
QByteArray digestAuthorization(const DigestChallenge& challenge, const QString& user,
                               const QString& password, const QByteArray& method,
                               const QByteArray& uri, unsigned nonceCount,
                               const QByteArray& cnonce);

} // namespace carddav
