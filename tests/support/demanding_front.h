#pragma once

#include "support/http_request_reader.h"

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <map>

// A front on 127.0.0.1, on a free port, that hands each request on to a real CardDAV server
// behind it (with that server's own Basic login) and demands of the client what some hosted
// services demand and the servers of the tests never do: a Digest login only, a wait it asks
// for (429, 503), or a long silence before a listing's answer. Every Authorization header it
// receives is kept, to show what crossed the wire.
class DemandingFront : public QTcpServer {
public:
    DemandingFront(int backendPort, QString user, QString password);

    // The front's URL for a path of the server behind it.
    QUrl url(const QUrl& behind) const;

    // Only a Digest login with this algorithm ("MD5", "SHA-256") is taken, as sabre/dav does
    // (Baïkal's default login); after `nonceUses` requests a nonce is refused as stale, as
    // sabre/dav's nonces expire.
    void demandDigest(const QByteArray& algorithm, int nonceUses = 1000);

    // The next requests are answered with these raw answers before any reaches the server.
    void answerFirst(QList<QByteArray> answers) { answersFirst_ = std::move(answers); }

    // A listing's answer (sync-collection) is held back this long before its first byte, as
    // Radicale does over a big book.
    void holdListings(int milliseconds) { holdListingsMs_ = milliseconds; }

    const QList<QByteArray>& authorizations() const { return authorizations_; }
    // Requests refused with 401, and requests that reached the server behind.
    int refusals() const { return refusals_; }
    int handedOn() const { return handedOn_; }

private:
    using Request = HttpRequest;

    void read(QTcpSocket* socket);
    void arrived(QTcpSocket* socket, const Request& request);
    bool loginTaken(const Request& request, bool& stale);
    QByteArray challenge(bool stale) const;
    void handOn(QPointer<QTcpSocket> client, const Request& request);

    int backendPort_;
    QString user_;
    QString password_;
    QByteArray digestAlgorithm_;
    int nonceUses_ = 0;
    QByteArray nonce_;
    int nonceUsed_ = 0;
    QList<QByteArray> answersFirst_;
    int holdListingsMs_ = 0;
    QList<QByteArray> authorizations_;
    int refusals_ = 0;
    int handedOn_ = 0;
};
