#pragma once

#include "sync/oauth/oauth_client.h"

#include <QString>
#include <QUrl>

#include <optional>

// A Google account, which signs in through the browser and never with a password, and the
// client it signs in with: what the window's set-up and the commands decide alike.
namespace syncing {

// The packager's own Google client (-DZARVOTH_GOOGLE_CLIENT_ID=...); nothing when none was
// built in, and each user names a client registered for themselves.
std::optional<OAuthClient> builtInGoogleClient();

// Whether what was typed as the server is a Google account: an address of Google's CardDAV
// service, or a Gmail address (ann@gmail.com, ann@googlemail.com).
bool isGoogleAccount(const QString& typed);

// Where the set-up of a Google account starts: Google's CardDAV service, also for a Gmail
// address, whose domain names no CardDAV service of its own.
QUrl googleAccountStart(const QString& typed);

} // namespace syncing
