#include "sync/oauth/authorization_request.h"

#include "sync/oauth/provider_metadata.h"

#include <QUrlQuery>

namespace syncing {
namespace {

// A value of the redirect's query as a form encodes it: '+' for a blank.
QString formValue(const QUrlQuery& query, const QString& name)
{
    QString encoded = query.queryItemValue(name, QUrl::FullyEncoded);
    encoded.replace(u'+', QLatin1String("%20"));
    return QUrl::fromPercentEncoding(encoded.toLatin1());
}

} // namespace

QUrl authorizationAddress(const OAuthEndpoints& endpoints, const OAuthClient& client,
                          const QUrl& redirect, const QByteArray& state,
                          const QByteArray& challenge)
{
    QUrlQuery query(endpoints.authorization);
    query.addQueryItem(QStringLiteral("response_type"), QStringLiteral("code"));
    query.addQueryItem(QStringLiteral("client_id"), client.id);
    query.addQueryItem(QStringLiteral("redirect_uri"), redirect.toString(QUrl::FullyEncoded));
    if (!endpoints.scope.isEmpty())
        query.addQueryItem(QStringLiteral("scope"), endpoints.scope);
    query.addQueryItem(QStringLiteral("state"), QString::fromLatin1(state));
    query.addQueryItem(QStringLiteral("code_challenge"), QString::fromLatin1(challenge));
    query.addQueryItem(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
    if (endpoints.authorization.host() == googleIssuer().host()) {
        query.addQueryItem(QStringLiteral("access_type"), QStringLiteral("offline"));
        query.addQueryItem(QStringLiteral("prompt"), QStringLiteral("consent"));
    }
    // Every reserved character of a value is percent-encoded, '+' and '&' among them.
    QString encoded;
    for (const auto& [name, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (!encoded.isEmpty())
            encoded += u'&';
        encoded += QString::fromLatin1(QUrl::toPercentEncoding(name) + '=' +
                                       QUrl::toPercentEncoding(value));
    }
    QUrl address = endpoints.authorization;
    address.setQuery(encoded, QUrl::StrictMode);
    return address;
}

RedirectOutcome readRedirect(const QUrl& target, const QByteArray& expectedState)
{
    const QUrlQuery query(target);
    const QString state = formValue(query, QStringLiteral("state"));
    if (state.isEmpty() || state.toLatin1() != expectedState)
        return {std::nullopt, "the browser came back from another sign-in than this one (its "
                              "state does not match); nothing was taken from it"};
    const QString error = formValue(query, QStringLiteral("error"));
    if (!error.isEmpty()) {
        const QString why = formValue(query, QStringLiteral("error_description"));
        return {std::nullopt, "the sign-in was refused (" +
                                  (why.isEmpty() ? error : error + ": " + why).toStdString() + ")"};
    }
    const QString code = formValue(query, QStringLiteral("code"));
    if (code.isEmpty())
        return {std::nullopt, "the browser came back without a sign-in code"};
    return {code, {}};
}

QByteArray redirectPage(const RedirectOutcome& outcome)
{
    const QByteArray said =
        outcome.code ? QByteArray("Zarvoth is signed in. You may close this page.")
                     : "Zarvoth is not signed in: " +
                           QString::fromStdString(outcome.error).toHtmlEscaped().toUtf8() +
                           ". You may close this page.";
    const QByteArray page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                            "<title>Zarvoth</title></head><body><p>" +
                            said + "</p></body></html>\n";
    return "HTTP/1.1 " + QByteArray(outcome.code ? "200 OK" : "400 Bad Request") +
           "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(page.size()) +
           "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + page;
}

} // namespace syncing
