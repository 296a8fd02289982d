#include "sync/oauth/redirect_listener.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

namespace syncing {
namespace {

// A request line and headers from a browser; more is not a browser coming back.
constexpr qint64 largestRequest = 64 * 1024;

void answerAndClose(QTcpSocket* socket, const QByteArray& answer)
{
    socket->write(answer);
    socket->disconnectFromHost();
}

} // namespace

RedirectListener::RedirectListener(std::function<RedirectOutcome(const QUrl&)> readAnswer,
                                   QObject* parent)
    : QTcpServer(parent), readAnswer_(std::move(readAnswer))
{
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
            // A connection that says nothing is not kept open.
            QTimer::singleShot(30000, socket, [socket] { socket->abort(); });
        }
    });
}

bool RedirectListener::open()
{
    return listen(QHostAddress::LocalHost, 0);
}

QUrl RedirectListener::address() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(serverPort()));
}

void RedirectListener::serve(QTcpSocket* socket)
{
    if (socket->property("served").toBool())
        return;
    const QByteArray request = socket->peek(largestRequest);
    if (!request.contains("\r\n\r\n")) {
        if (request.size() >= largestRequest)
            socket->abort();
        return;
    }
    socket->setProperty("served", true);
    const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
    const QUrl target = requestLine.size() == 3 && requestLine[0] == "GET"
                            ? address().resolved(QUrl::fromEncoded(requestLine[1]))
                            : QUrl();
    if (target.path() != QLatin1String("/") || answered_) {
        answerAndClose(socket, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n"
                               "Connection: close\r\n\r\n");
        return;
    }
    answered_ = true;
    answerAndClose(socket, redirectPage(readAnswer_(target)));
}

} // namespace syncing
