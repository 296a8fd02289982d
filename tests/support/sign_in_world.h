#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

// What a sign-in through the browser needs around it in a test, all on 127.0.0.1 and each
// process ended by its own id when the object goes.

// A server of the tests run as a process of its own on 127.0.0.1: it says "listening PORT" on
// standard output, then a line for each thing a test may ask about ("issued TOKEN"), and takes
// commands on standard input, saying "done COMMAND" once each is taken.
class ServerProcess {
public:
    ServerProcess(const QString& program, const QStringList& arguments, const char* what,
                  const QString& folder = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    QUrl url(const QString& path = QStringLiteral("/")) const;
    // Sends a command and waits until it is taken.
    void command(const QByteArray& line);
    // What followed "`word` " on each line said so far.
    QStringList said(const QString& word);

private:
    void readLines();
    QProcess process_;
    QStringList lines_;
    QString what_;
    int port_ = 0;
};

// A real OAuth 2.0 authorization server (npm's oauth2-mock-server, see tests/oauth_server/
// serve.mjs): codes with PKCE, refresh tokens, revocation, introspection.
class AuthorizationServer {
public:
    AuthorizationServer();

    QUrl issuer() const;
    QUrl introspection() const;
    // Sends one of serve.mjs's commands and waits until it is done.
    void command(const QByteArray& line) { process_.command(line); }
    // Tokens as the server told them: "issued", "refreshed" or "revoked" lines' tokens.
    QStringList tokens(const QByteArray& kind) { return process_.said(QString::fromLatin1(kind)); }

private:
    ServerProcess process_;
};

// A CardDAV server that takes only the bearer tokens the authorization server issued and
// still holds valid, in front of `backend` (see bearer_front.py).
class BearerFront {
public:
    BearerFront(const QUrl& backend, const QUrl& introspection);
    QUrl rootUrl() const { return process_.url(); }

private:
    ServerProcess process_;
};

// A desktop of its own, in scratch folders, with a keyring of its own and a web browser that
// signs the person straight in: it follows the redirects of the address it is given, as a
// browser does (curl). Programs run through run().
class SignInDesktop {
public:
    // What the person at the browser does.
    enum class Person {
        SignsIn,
        // Comes back with a state of another sign-in (another page sending the browser here).
        BringsAnotherState,
        // Never comes back.
        WalksAway,
    };
    SignInDesktop();

    void setPerson(Person person);
    // The addresses the browser was given, and the last page it showed.
    QStringList browsed() const;
    QByteArray lastPage() const;
    // The desktop's settings folder (XDG_CONFIG_HOME).
    QString configFolder() const;

    // The program run in this desktop, inside a session bus of its own whose keyring is
    // unlocked, or with no keyring at all.
    QProcess* start(const QString& program, const QStringList& arguments, bool withKeyring,
                    const QString& workingDirectory);
    // The keyring's files, whose bytes change whenever something is kept in it.
    QByteArray keyringBytes() const;
    // Every file of the desktop's home and settings, less the keyring's own.
    QStringList filesOutsideTheKeyring() const;

private:
    QProcessEnvironment environment(bool withKeyring) const;
    QTemporaryDir dir_;
};

// Every file below `folder`, recursively.
QStringList filesBelow(const QString& folder);
