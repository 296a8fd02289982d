#pragma once

#include "sync/carddav/carddav_client.h"
#include "sync/carddav/dav_transport.h"

#include <string>

namespace carddav {

// What a server's 2xx answer to a PUT of `href` says of the card it now keeps. An ETag is
// taken only when it is strong: a weak one (W/"...") does not promise the bytes sent, and
// If-Match never matches it. A Location on the same server names the card's real href.
PutOutcome putOutcome(const DavReply& reply, const std::string& href);

} // namespace carddav
