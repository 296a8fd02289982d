#include "sync/carddav/server_login.h"

#include <QRandomGenerator>

#include <algorithm>

namespace carddav {
namespace {

QString serverOf(const QUrl& url)
{
    return url.scheme() + QStringLiteral("://") + url.host() + QLatin1Char(':') +
           QString::number(url.port(url.scheme() == QStringLiteral("https") ? 443 : 80));
}

QByteArray newClientNonce()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex();
}

// Of the server's challenges, the one to answer: Digest with SHA-256 before MD5, then Basic.
std::optional<DigestChallenge> strongestDigest(const std::vector<AuthChallenge>& challenges)
{
    std::optional<DigestChallenge> best;
    for (const AuthChallenge& challenge : challenges) {
        const std::optional<DigestChallenge> digest = digestChallenge(challenge);
        if (digest && (!best || digest->algorithm.toUpper().startsWith("SHA-256")))
            best = digest;
    }
    return best;
}

} // namespace

ServerLogin::ServerLogin(Credentials credentials) : credentials_(std::move(credentials)) {}

QByteArray ServerLogin::requestTarget(const QUrl& url)
{
    // As the network sends it: the path (a lone "/" when empty) and the query.
    QUrl target = url;
    if (target.path().isEmpty())
        target.setPath(QStringLiteral("/"));
    return target.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment |
                            QUrl::NormalizePathSegments | QUrl::FullyEncoded);
}

QByteArray ServerLogin::authorization(const QByteArray& method, const QUrl& url)
{
    if (credentials_.bearer)
        return "Bearer " + credentials_.bearer->accessToken();
    const auto found = servers_.find(serverOf(url));
    if (found == servers_.end())
        return {};
    Server& server = found->second;
    if (server.digest)
        return digestAuthorization(*server.digest, credentials_.user, credentials_.password, method,
                                   requestTarget(url), ++server.nonceCount, server.cnonce);
    if (server.basic)
        return "Basic " +
               (credentials_.user + QLatin1Char(':') + credentials_.password).toUtf8().toBase64();
    return {};
}

bool ServerLogin::challenged(const QUrl& url, const QByteArray& wwwAuthenticate, bool sentWithLogin)
{
    const std::vector<AuthChallenge> challenges = parseChallenges(wwwAuthenticate);
    const std::optional<DigestChallenge> digest = strongestDigest(challenges);
    const bool basic = std::any_of(challenges.begin(), challenges.end(),
                                   [](const AuthChallenge& c) { return c.scheme == "basic"; });
    if (!digest && !basic)
        return false;
    if (sentWithLogin && !(digest && digest->stale))
        return false;
    Server& server = servers_[serverOf(url)];
    server.basic = !digest;
    server.digest = digest;
    server.nonceCount = 0;
    server.cnonce = newClientNonce();
    return true;
}

} // namespace carddav
