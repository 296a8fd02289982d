#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

// A real CardDAV server for a test: Radicale or Xandikos, started on 127.0.0.1 on a free port,
// serving a scratch folder of its own, and ended by its own process id when the object goes.
// Construction waits until the server answers connections; a server that cannot be started
// throws std::runtime_error naming the reason (and the server's own output).
//
// Radicale checks the user name and password (plain htpasswd) and serves the user's home at
// /USER/; the helper makes one address book there before it starts, "contacts" with the display
// name "Contacts". Xandikos checks no password at all and serves its own default book
// /user/contacts/addressbook/ under the home /user/contacts/ and the principal /user/.
class CardDavServer {
public:
    enum class Kind { Radicale, Xandikos };
    struct Options {
        QString user = QStringLiteral("alice");
        QString password = QStringLiteral("secret");
        // HTTPS with a certificate made for the occasion, which no system trusts (Radicale).
        bool tls = false;
        // Make no address book before starting (Radicale): the user's home is empty.
        bool noBook = false;
        // With tls: the certificate (and its key) to serve, made by the test, e.g. one a
        // scratch authority signed for a host name; none: a self-signed one for 127.0.0.1.
        QString certificate = {};
        QString key = {};
        // The port, for a test in a network namespace of its own, where every port is free
        // and https has its usual 443; 0: any free port.
        int port = 0;
    };

    explicit CardDavServer(Kind kind);
    CardDavServer(Kind kind, Options options);
    ~CardDavServer();
    CardDavServer(const CardDavServer&) = delete;
    CardDavServer& operator=(const CardDavServer&) = delete;

    Kind kind() const { return kind_; }
    int port() const { return port_; }
    const Options& options() const { return options_; }
    // The server folder where the collections are kept.
    QString storagePath() const;

    // The server's root, e.g. http://127.0.0.1:PORT/
    QUrl rootUrl() const;
    // A path on this server, e.g. url("/alice/contacts/").
    QUrl url(const QString& path) const;
    // The collection new address books go under (the addressbook-home-set).
    QUrl homeUrl() const;
    // The address book that is there from the start.
    QUrl bookUrl() const;

    // Ends the server early, by its process id (as the destructor does).
    void stop();

    // From now on the server refuses every change of a card, and serves them as before
    // (Radicale).
    void refuseWrites();

private:
    void startRadicale();
    void startXandikos();
    // The rights Radicale reads at each request: each user their own home, the address books
    // in it writable or not.
    void writeRights(bool booksWritable);
    void launch(const QString& program, const QStringList& arguments);
    void waitUntilListening();
    QString scratch(const QString& name) const;

    Kind kind_;
    Options options_;
    QTemporaryDir dir_;
    int port_ = 0;
    std::unique_ptr<QProcess> process_;
};

// A port on 127.0.0.1 that nothing listened on a moment ago.
int freeLoopbackPort();
