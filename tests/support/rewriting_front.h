#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>

// A front on 127.0.0.1, on a free port, before a real CardDAV server on loopback: each request
// goes on to the server and its answer comes back, except where the test's rules answer it
// themselves or change the request or the answer, as a hosted service does what Radicale and
// Xandikos never do. Every exchange is kept, for the test to count what was asked.
class RewritingFront : public QTcpServer {
public:
    struct Exchange {
        QByteArray method;
        // The request's path (percent-encoded, as sent), and the body.
        QByteArray path;
        QByteArray requestBody;
        QList<QPair<QByteArray, QByteArray>> requestHeaders;
        // The answer: 0 until the rule `before` answers, or the server did.
        int status = 0;
        QByteArray reason;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;

        QByteArray requestHeader(const QByteArray& name) const;
        QByteArray header(const QByteArray& name) const;
        void setHeader(const QByteArray& name, const QByteArray& value);
        void removeHeader(const QByteArray& name);
        bool isSyncCollection() const { return requestBody.contains("sync-collection"); }
        bool isMultiget() const { return requestBody.contains("addressbook-multiget"); }
    };
    using Rule = std::function<void(Exchange&)>;

    explicit RewritingFront(const QUrl& server);

    // Called on each request before it goes on: it may change the request, or answer it by
    // setting `status` (and the rest), and then the server is not asked.
    void setBefore(Rule rule) { before_ = std::move(rule); }
    // Called on each answer the server gave, before it goes back.
    void setAfter(Rule rule) { after_ = std::move(rule); }

    // The same path on the front.
    QUrl url(const QUrl& onServer) const;
    const QList<Exchange>& exchanges() const { return exchanges_; }
    void forget() { exchanges_.clear(); }

    // Sets the exchange's answer: this status and an XML body.
    static void answer(Exchange& exchange, int status, const QByteArray& reason,
                       const QByteArray& body = {});

private:
    void read(QTcpSocket* socket);
    void forward(QTcpSocket* socket, Exchange exchange);
    void reply(QTcpSocket* socket, Exchange exchange);

    QUrl server_;
    QNetworkAccessManager network_;
    Rule before_;
    Rule after_;
    QList<Exchange> exchanges_;
};
