#include "sync/oauth/provider_metadata.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace syncing {
namespace {

QUrl endpointAt(const QJsonObject& metadata, const char* name)
{
    const QUrl url(metadata.value(QLatin1String(name)).toString(), QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty() ? url : QUrl();
}

} // namespace

QUrl googleIssuer()
{
    return QUrl(QStringLiteral("https://accounts.google.com"));
}

bool isGoogleServer(const QUrl& server)
{
    const QString host = server.host().toLower();
    return host == QLatin1String("googleapis.com") ||
           host.endsWith(QLatin1String(".googleapis.com"));
}

std::optional<OAuthEndpoints> knownEndpoints(const QUrl& issuer)
{
    if (issuer.host().toLower() != googleIssuer().host())
        return std::nullopt;
    OAuthEndpoints google;
    google.authorization = QUrl(QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth"));
    google.token = QUrl(QStringLiteral("https://oauth2.googleapis.com/token"));
    google.revocation = QUrl(QStringLiteral("https://oauth2.googleapis.com/revoke"));
    google.scope = QStringLiteral("https://www.googleapis.com/auth/carddav");
    return google;
}

std::vector<QUrl> metadataAddresses(const QUrl& issuer)
{
    QString path = issuer.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    QUrl oauth = issuer;
    oauth.setQuery(QString());
    oauth.setFragment(QString());
    QUrl openId = oauth;
    oauth.setPath(QStringLiteral("/.well-known/oauth-authorization-server") + path);
    openId.setPath(path + QStringLiteral("/.well-known/openid-configuration"));
    return {oauth, openId};
}

std::optional<OAuthEndpoints> readMetadata(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject metadata = document.object();
    OAuthEndpoints endpoints;
    endpoints.authorization = endpointAt(metadata, "authorization_endpoint");
    endpoints.token = endpointAt(metadata, "token_endpoint");
    endpoints.revocation = endpointAt(metadata, "revocation_endpoint");
    if (endpoints.authorization.isEmpty() || endpoints.token.isEmpty())
        return std::nullopt;
    return endpoints;
}

} // namespace syncing
