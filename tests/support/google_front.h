#pragma once

#include "support/sign_in_world.h"

#include <QByteArray>
#include <QStringList>
#include <QUrl>

// A CardDAV server that behaves as Google's does, in front of a Xandikos and taking only the
// bearer tokens the authorization server issued (see google_front.py), on 127.0.0.1, ended by
// its own id when the object goes.
class GoogleFront {
public:
    GoogleFront(const QUrl& backend, const QUrl& introspection, const QString& bookPath);

    QUrl rootUrl() const { return process_.url(); }
    // Sends one of google_front.py's commands and waits until it is taken.
    void command(const QByteArray& line) { process_.command(line); }
    // The requests answered so far, "METHOD PATH DEPTH STATUS" each.
    QStringList requests() { return process_.said(QStringLiteral("request")); }

private:
    ServerProcess process_;
};
