#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

// A stand-in HTTP server on 127.0.0.1, on a free port, for the answers a real server gives
// only when something goes wrong: each request is answered with the raw bytes of the next
// answer given (the last one again once they run out), or, when that is empty, never answered
// at all: the connection stays open and silent, as a server that hangs.
class ScriptedHttpServer : public QTcpServer {
public:
    explicit ScriptedHttpServer(QList<QByteArray> answers);

    int port() const { return serverPort(); }
    // How many requests came in, whole (headers and the body Content-Length announced).
    int requests() const { return requests_; }

    // A raw answer with this status line, headers and body, Content-Length added.
    static QByteArray answer(const QByteArray& statusLine, const QByteArray& body = {},
                             const QByteArray& headers = {});

private:
    void serve(QTcpSocket* socket);

    QList<QByteArray> answers_;
    int requests_ = 0;
};
