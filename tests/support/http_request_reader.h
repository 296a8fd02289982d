#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPair>

#include <functional>

class QTcpServer;
class QTcpSocket;

// A request as it came in on one of the tests' servers on loopback.
struct HttpRequest {
    QByteArray method;
    QByteArray path;                              // as sent, percent-encoded, with its query
    QList<QPair<QByteArray, QByteArray>> headers; // as sent, in order
    QByteArray body;

    // The header's value, its name's case ignored; empty when it was not sent.
    QByteArray header(const QByteArray& name) const;
};

// The requests that have come in whole on `socket` (headers and the body Content-Length
// announces; keep-alive may bring several), in order. What is not whole yet stays with the
// socket for the next call.
QList<HttpRequest> wholeRequests(QTcpSocket* socket);

// `server` listens on `address`, on a free port, and calls `read` whenever one of its
// connections has bytes to read; a connection is deleted once closed. Throws when it cannot
// listen.
void serveOn(QTcpServer& server, const QHostAddress& address,
             std::function<void(QTcpSocket*)> read);
