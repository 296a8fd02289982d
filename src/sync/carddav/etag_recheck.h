#pragma once

#include "sync/carddav/dav_transport.h"

#include <functional>
#include <optional>
#include <string>

// For servers that take any If-Match: the card's ETag read again right before it is changed.
namespace carddav {

// Reads the ETag of the card at `card` (PROPFIND, depth 0) and calls `then` with nothing when
// it is still `remembered`; with changedSince(card) when it is another, as a server that keeps
// If-Match would have answered; with the error (NotFound when the card is gone) when it could
// not be read.
void whenEtagStill(DavTransport& transport, const QUrl& card, const std::string& remembered,
                   std::function<void(std::optional<DavError>)> then);

// PreconditionFailed, saying that the card changed on the server since it was read.
DavError changedSince(const QUrl& card);

} // namespace carddav
