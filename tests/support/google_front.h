#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QUrl>

// A CardDAV server that behaves as Google's does, in front of a Xandikos and taking only the
// bearer tokens the authorization server issued (see google_front.py), on 127.0.0.1, ended by
// its own id when the object goes.
class GoogleFront {
public:
    GoogleFront(const QUrl& backend, const QUrl& introspection, const QString& bookPath);
    ~GoogleFront();

    QUrl rootUrl() const;
    // Sends one of google_front.py's commands and waits until it is taken.
    void command(const QByteArray& line);
    // The requests answered so far, "METHOD PATH DEPTH STATUS" each.
    QStringList requests();

private:
    void readLines();
    QProcess process_;
    QStringList lines_;
    int port_ = 0;
};
