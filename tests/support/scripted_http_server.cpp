#include "support/scripted_http_server.h"

#include "support/http_request_reader.h"


ScriptedHttpServer::ScriptedHttpServer(QList<QByteArray> answers) : answers_(std::move(answers))
{
    serveOn(*this, QHostAddress::LocalHost, [this](QTcpSocket* socket) { serve(socket); });
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
    for (qsizetype n = wholeRequests(socket).size(); n > 0; --n) {
        const QByteArray reply =
            answers_.value(std::min<qsizetype>(requests_, answers_.size() - 1));
        ++requests_;
        if (!reply.isEmpty())
            socket->write(reply);
    }
}
