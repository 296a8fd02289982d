#include "support/scripted_http_server.h"

#include <stdexcept>

ScriptedHttpServer::ScriptedHttpServer(QList<QByteArray> answers) : answers_(std::move(answers))
{
    if (!listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("the scripted server cannot listen on 127.0.0.1");
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QByteArray ScriptedHttpServer::answer(const QByteArray& statusLine, const QByteArray& body,
                                      const QByteArray& headers)
{
    return "HTTP/1.1 " + statusLine + "\r\n" + headers +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

void ScriptedHttpServer::serve(QTcpSocket* socket)
{
    // Requests are read whole (keep-alive may bring several) before each is answered.
    QByteArray buffered = socket->property("buffered").toByteArray() + socket->readAll();
    for (;;) {
        const qsizetype headerEnd = buffered.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            break;
        qsizetype length = 0;
        for (const QByteArray& line : buffered.left(headerEnd).split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        if (buffered.size() < headerEnd + 4 + length)
            break;
        buffered.remove(0, headerEnd + 4 + length);
        const QByteArray reply =
            answers_.value(std::min<qsizetype>(requests_, answers_.size() - 1));
        ++requests_;
        if (!reply.isEmpty())
            socket->write(reply);
    }
    socket->setProperty("buffered", buffered);
}
