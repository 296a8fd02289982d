#pragma once

#include "sync/carddav/dav_error.h"

#include <QString>
#include <QUrl>

#include <optional>
#include <string>

// Where the password may go, and how a card's path becomes a URL.
namespace carddav {

// 127.0.0.0/8, ::1 and "localhost": addresses that never leave this machine.
bool isLoopbackHost(const QString& host);

// Why nothing may be sent to `url` (it is not https, nor http to a loopback address), or
// nothing when it may.
std::optional<DavError> refusalToSend(const QUrl& url);

// Why the password may not go on from `from` to `to`, where a redirect or an href sends it:
// another scheme, or another host that is neither loopback like `from` nor, over https, of the
// same registrable domain (a service's partition hosts, contacts.icloud.com and
// p42-contacts.icloud.com, are followed; another owner's host never is).
std::optional<DavError> refusalToFollow(const QUrl& from, const QUrl& to);

// An href as the server wrote it (a path, relative or absolute, or a full URL) resolved against
// the URL of the answer that carried it: a full URL keeps its own host.
QUrl resolvedHref(const QUrl& answerUrl, const std::string& written);

// The URL of a path as readMultistatus gives it (decoded), on the server of `base`; a path
// that does not start with '/' is taken relative to base.
QUrl urlForPath(const QUrl& base, const std::string& path);

// A collection's URL always ends in '/', so that paths resolve inside it.
QUrl asCollection(QUrl url);

// The last part of a collection's path, without slashes: "contacts" for /alice/contacts/.
QString lastPathPart(const QUrl& url);

} // namespace carddav
