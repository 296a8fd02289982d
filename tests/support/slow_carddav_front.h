#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <map>
#include <string>

// A CardDAV address book of many cards on 127.0.0.1, on a free port, that imitates a server
// serving one request at a time, as a single-threaded server does (Xandikos's runs its
// handlers in one thread): the requests of every connection are taken in the order they came
// and answered one after the other, each multiget taking its time, the others waiting their
// turn unanswered. It answers what a sync of a new folder asks (sync-collection, as the first
// one, and addressbook-multiget) and can be cut off after some multigets.
class SlowCardDavFront : public QTcpServer {
public:
    // Cards 1..cards, each with a nickname and a number the file can hold.
    explicit SlowCardDavFront(int cards);

    QUrl bookUrl() const;
    std::string href(int card) const;

    // How long each multiget answer takes, as the server reads the cards.
    void setMultigetMs(int milliseconds) { multigetMs_ = milliseconds; }

    // After this many more multigets are answered the front answers nothing more: requests
    // stay open and silent, as a server that hangs; or, with `status` ("503 Service
    // Unavailable"), each one gets that answer at once. -1: no cut.
    void cutOffAfter(int multigets, const QByteArray& status = {});
    // Answers again, and forgets what it counted.
    void resume();

    // A new text for the card, with another number, and a new ETag.
    void change(const std::string& href);
    // The number a card holds now, as its TEL line gives it.
    std::string number(const std::string& href) const;

    // Hrefs asked for by multigets since the start or the last resume().
    int hrefsAsked() const { return hrefsAsked_; }
    int multigets() const { return multigetsSeen_; }
    // Requests that arrived, once the first multiget was answered, while another was waiting
    // or being answered: none when the client sends them one at a time.
    int crowdedArrivals() const { return crowdedArrivals_; }

private:
    struct Card {
        std::string etag;
        std::string text;
        std::string number;
    };
    struct Request {
        QPointer<QTcpSocket> socket;
        QByteArray body;
    };

    void read(QTcpSocket* socket);
    void arrived(Request request);
    void serveNext();
    QByteArray answer(const QByteArray& body);
    QByteArray listing() const;
    QByteArray multiget(const QByteArray& body);
    void setCard(int card, int version);

    std::map<std::string, Card> cards_;
    QList<Request> queue_;
    bool busy_ = false;
    int multigetMs_ = 0;
    int answersLeft_ = -1;
    QByteArray cutStatus_;
    int hrefsAsked_ = 0;
    int multigetsSeen_ = 0;
    int multigetsAnswered_ = 0;
    int crowdedArrivals_ = 0;
    int versions_ = 0;
};
