#pragma once

#include "sync/oauth/oauth_client.h"

#include <QByteArray>
#include <QUrl>

#include <optional>
#include <vector>

// Which accounts sign in through the browser, and where their authorization server has its
// endpoints.
namespace syncing {

// Google's authorization server, whose tokens its CardDAV service takes.
QUrl googleIssuer();

// Whether a server address is Google's CardDAV service, which takes no password at all.
bool isGoogleServer(const QUrl& server);

// The endpoints of a server this program knows without asking it (Google's); nothing for
// others, whose metadata says.
std::optional<OAuthEndpoints> knownEndpoints(const QUrl& issuer);

// Where an issuer's metadata may be, in the order asked: the OAuth authorization server's
// well-known address (inserted before the issuer's path), then OpenID Connect's (appended to
// it).
std::vector<QUrl> metadataAddresses(const QUrl& issuer);

// The endpoints the metadata names; nothing when it is no such JSON object or lacks the
// authorization or the token endpoint.
std::optional<OAuthEndpoints> readMetadata(const QByteArray& json);

} // namespace syncing
