#include "sync/oauth/oauth_client.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace syncing {

QString keptSignInText(const KeptSignIn& kept)
{
    QJsonObject entry;
    entry.insert(QStringLiteral("issuer"), kept.client.issuer.toString());
    entry.insert(QStringLiteral("client_id"), kept.client.id);
    if (!kept.client.secret.isEmpty())
        entry.insert(QStringLiteral("client_secret"), kept.client.secret);
    entry.insert(QStringLiteral("refresh_token"), kept.refreshToken);
    return QString::fromUtf8(QJsonDocument(entry).toJson(QJsonDocument::Compact));
}

std::optional<KeptSignIn> readKeptSignIn(const QString& text)
{
    const QJsonObject entry = QJsonDocument::fromJson(text.toUtf8()).object();
    KeptSignIn kept;
    kept.client.issuer = QUrl(entry.value(QLatin1String("issuer")).toString());
    kept.client.id = entry.value(QLatin1String("client_id")).toString();
    kept.client.secret = entry.value(QLatin1String("client_secret")).toString();
    kept.refreshToken = entry.value(QLatin1String("refresh_token")).toString();
    if (kept.client.issuer.isEmpty() || kept.client.id.isEmpty() || kept.refreshToken.isEmpty())
        return std::nullopt;
    return kept;
}

} // namespace syncing
