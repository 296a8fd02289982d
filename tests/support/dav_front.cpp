#include "support/dav_front.h"

#include "support/scripted_http_server.h"

#include <QNetworkReply>
#include <QPointer>

#include <stdexcept>

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

QByteArray DavFront::Request::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

DavFront::DavFront(QUrl behind, QHostAddress address)
    : behind_(std::move(behind)), address_(std::move(address))
{
    if (!listen(address_, 0))
        throw std::runtime_error("the front cannot listen on " + address_.toString().toStdString());
    network_.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
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
    QByteArray buffered = socket->property("buffered").toByteArray() + socket->readAll();
    for (;;) {
        const qsizetype headerEnd = buffered.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            break;
        Request request;
        const QList<QByteArray> lines = buffered.left(headerEnd).split('\n');
        const QList<QByteArray> words = lines.value(0).trimmed().split(' ');
        request.method = words.value(0);
        request.path = words.value(1);
        qsizetype length = 0;
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed();
            const QByteArray value = line.mid(colon + 1).trimmed();
            request.headers.append({name, value});
            if (name.compare("content-length", Qt::CaseInsensitive) == 0)
                length = value.toLongLong();
        }
        if (buffered.size() < headerEnd + 4 + length)
            break;
        request.body = buffered.mid(headerEnd + 4, length);
        buffered.remove(0, headerEnd + 4 + length);
        seen_.append(request.method + ' ' + request.path + " Depth " +
                     (request.header("Depth").isEmpty() ? "-" : request.header("Depth")) +
                     " login " + (request.header("Authorization").isEmpty() ? "no" : "yes") +
                     " body " + (request.body.isEmpty() ? "no" : "yes"));
        if (const auto own = ownAnswer_ ? ownAnswer_(request) : std::nullopt)
            socket->write(*own);
        else
            passOn(socket, request);
    }
    socket->setProperty("buffered", buffered);
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
