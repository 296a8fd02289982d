#pragma once

#include "sync/carddav/carddav_client.h"

namespace carddav {

// Finds the address books from where the user pointed: the book itself, a principal, a home,
// or the server's root (through /.well-known/carddav).
void discoverBooks(DavTransport& transport, const QUrl& start,
                   std::function<void(DavResult<Discovery>)> done);

} // namespace carddav
