#include "sync/oauth/token_answer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <algorithm>

namespace syncing {
namespace {

// An access token without a stated life is taken to last an hour, as Google's do.
constexpr qint64 assumedLifeSeconds = 3600;

QByteArray form(std::initializer_list<std::pair<const char*, QString>> fields,
                const OAuthClient& client)
{
    QByteArray body;
    auto add = [&body](const char* name, const QString& value) {
        if (!body.isEmpty())
            body += '&';
        body += name + QByteArray("=") + QUrl::toPercentEncoding(value);
    };
    for (const auto& [name, value] : fields)
        add(name, value);
    add("client_id", client.id);
    if (!client.secret.isEmpty())
        add("client_secret", client.secret);
    return body;
}

} // namespace

QByteArray codeExchangeForm(const OAuthClient& client, const QString& code, const QUrl& redirect,
                            const QByteArray& verifier)
{
    return form({{"grant_type", QStringLiteral("authorization_code")},
                 {"code", code},
                 {"redirect_uri", redirect.toString(QUrl::FullyEncoded)},
                 {"code_verifier", QString::fromLatin1(verifier)}},
                client);
}

QByteArray refreshForm(const OAuthClient& client, const QString& refreshToken)
{
    return form({{"grant_type", QStringLiteral("refresh_token")}, {"refresh_token", refreshToken}},
                client);
}

QByteArray revocationForm(const OAuthClient& client, const QString& token)
{
    return form({{"token", token}}, client);
}

TokenAnswer readTokenAnswer(int status, const QByteArray& body, const QDateTime& now)
{
    const QJsonObject answer = QJsonDocument::fromJson(body).object();
    TokenAnswer read;
    const QString error = answer.value(QLatin1String("error")).toString();
    if (status != 200 || !error.isEmpty()) {
        read.refused = error == QLatin1String("invalid_grant");
        const QString why = answer.value(QLatin1String("error_description")).toString();
        read.error = "the sign-in server refused (HTTP " + std::to_string(status) +
                     (error.isEmpty() ? std::string() : ", " + error.toStdString()) +
                     (why.isEmpty() ? std::string() : ": " + why.toStdString()) + ")";
        return read;
    }
    const QString access = answer.value(QLatin1String("access_token")).toString();
    const QString type = answer.value(QLatin1String("token_type")).toString();
    if (access.isEmpty() || type.compare(QLatin1String("bearer"), Qt::CaseInsensitive) != 0) {
        read.error = "the sign-in server's answer holds no bearer token";
        return read;
    }
    const qint64 life = answer.value(QLatin1String("expires_in")).toInteger(assumedLifeSeconds);
    OAuthTokens tokens;
    tokens.access = access;
    tokens.expires = now.addSecs(std::max<qint64>(0, life - std::min<qint64>(30, life / 4)));
    tokens.refresh = answer.value(QLatin1String("refresh_token")).toString();
    read.tokens = tokens;
    return read;
}

} // namespace syncing
