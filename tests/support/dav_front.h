#pragma once

#include "support/http_request_reader.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>
#include <optional>
#include <utility>

// A front in plain HTTP on a loopback address, on a free port, that passes each request on to a
// real server behind it (Radicale, Xandikos) and its answer back, and can answer some requests
// itself or change an answer's body on the way: what a hosted service does that the servers on
// this machine never do (an OPTIONS it does not know, a redirect at .well-known, an
// address-book home on another of its hosts).
class DavFront : public QTcpServer {
public:
    using Request = HttpRequest;
    // A whole raw answer (see ScriptedHttpServer::answer), or nothing to pass the request on.
    using OwnAnswer = std::function<std::optional<QByteArray>(const Request&)>;
    // The body of the server's answer to a request, as the front passes it back.
    using Rewrite = std::function<QByteArray(const Request&, QByteArray body)>;

    DavFront(QUrl behind, QHostAddress address = QHostAddress::LocalHost);

    QUrl url(const QString& path = QStringLiteral("/")) const;
    void answerItself(OwnAnswer answer) { ownAnswer_ = std::move(answer); }
    void rewrite(Rewrite rewrite) { rewrite_ = std::move(rewrite); }
    // Every request that came in, in order: "PROPFIND /alice/ Depth 0 login yes body yes".
    const QList<QByteArray>& seen() const { return seen_; }

private:
    void read(QTcpSocket* socket);
    void passOn(QTcpSocket* socket, const Request& request);

    QUrl behind_;
    QHostAddress address_;
    QNetworkAccessManager network_;
    OwnAnswer ownAnswer_;
    Rewrite rewrite_;
    QList<QByteArray> seen_;
};
