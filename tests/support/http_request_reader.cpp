#include "support/http_request_reader.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QVariant>

#include <stdexcept>

QByteArray HttpRequest::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

QList<HttpRequest> wholeRequests(QTcpSocket* socket)
{
    QList<HttpRequest> requests;
    QByteArray buffered = socket->property("buffered").toByteArray() + socket->readAll();
    for (;;) {
        const qsizetype headerEnd = buffered.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            break;
        HttpRequest request;
        const QList<QByteArray> lines = buffered.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        const qsizetype length = request.header("Content-Length").toLongLong();
        if (buffered.size() < headerEnd + 4 + length)
            break;
        request.body = buffered.mid(headerEnd + 4, length);
        buffered.remove(0, headerEnd + 4 + length);
        requests.append(std::move(request));
    }
    socket->setProperty("buffered", buffered);
    return requests;
}

void serveOn(QTcpServer& server, const QHostAddress& address, std::function<void(QTcpSocket*)> read)
{
    if (!server.listen(address, 0))
        throw std::runtime_error("a test server cannot listen on " +
                                 address.toString().toStdString());
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server, read] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [read, socket] { read(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}
