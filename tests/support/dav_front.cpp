#include "support/dav_front.h"

#include "support/scripted_http_server.h"

#include <QNetworkReply>
#include <QPointer>


namespace {

// What the front passes on either way; the connection's own headers it keeps for itself.
bool passedOn(const QByteArray& name)
{
    static const QList<QByteArray> names = {"authorization", "depth",         "content-type",
                                            "if-match",      "if-none-match", "destination",
                                            "prefer",        "brief"};
    return names.contains(name.toLower());
}

} // namespace

DavFront::DavFront(QUrl behind, QHostAddress address)
    : behind_(std::move(behind)), address_(std::move(address))
{
    network_.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    serveOn(*this, address_, [this](QTcpSocket* socket) { read(socket); });
}

QUrl DavFront::url(const QString& path) const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(address_.toString());
    url.setPort(serverPort());
    url.setPath(path);
    return url;
}

void DavFront::read(QTcpSocket* socket)
{
    for (const Request& request : wholeRequests(socket)) {
        seen_.append(request.method + ' ' + request.path + " Depth " +
                     (request.header("Depth").isEmpty() ? "-" : request.header("Depth")) +
                     " login " + (request.header("Authorization").isEmpty() ? "no" : "yes") +
                     " body " + (request.body.isEmpty() ? "no" : "yes"));
        if (const auto own = ownAnswer_ ? ownAnswer_(request) : std::nullopt)
            socket->write(*own);
        else
            passOn(socket, request);
    }
}

void DavFront::passOn(QTcpSocket* socket, const Request& request)
{
    QUrl target = behind_;
    target.setPath(QString());
    QNetworkRequest forwarded(
        QUrl(target.toString(QUrl::StripTrailingSlash) + QString::fromLatin1(request.path)));
    for (const auto& [name, value] : request.headers)
        if (passedOn(name))
            forwarded.setRawHeader(name, value);
    QNetworkReply* reply = network_.sendCustomRequest(forwarded, request.method, request.body);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, request, socket = QPointer<QTcpSocket>(socket)] {
                reply->deleteLater();
                if (!socket)
                    return;
                const int status =
                    reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                QByteArray body = reply->readAll();
                if (rewrite_)
                    body = rewrite_(request, std::move(body));
                QByteArray headers;
                for (const QByteArray name :
                     {"ETag", "Content-Type", "Location", "DAV", "WWW-Authenticate"})
                    if (reply->hasRawHeader(name))
                        headers += name + ": " + reply->rawHeader(name) + "\r\n";
                const QByteArray reason =
                    reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
                socket->write(ScriptedHttpServer::answer(QByteArray::number(status) + ' ' + reason,
                                                         body, headers));
            });
}
