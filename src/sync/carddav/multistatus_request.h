#pragma once

#include "sync/carddav/dav_transport.h"
#include "sync/carddav/multistatus.h"

#include <functional>

// A PROPFIND or REPORT whose answer must be a multistatus.
namespace carddav {

struct MultistatusAnswer {
    Multistatus multistatus;
    // Where the request ended after redirects: hrefs are paths on this server.
    QUrl url;
};

DavRequest propfind(const QUrl& url, int depth, QByteArray body);
DavRequest report(const QUrl& url, int depth, QByteArray body);

// Sends the request and reads its answer. Any status but 207 is an error about `what`
// ("the address book", "the user's principal"); so is an answer that does not read.
void requestMultistatus(DavTransport& transport, DavRequest request, const QString& what,
                        std::function<void(DavResult<MultistatusAnswer>)> done);

// A 2xx answer that is not a multistatus: a web page, most likely, where an address book
// was expected.
DavError notWebDav(const DavReply& reply);

// The response about `url` itself in a depth 1 answer, or nothing.
const MultistatusResponse* responseFor(const Multistatus& multistatus, const QUrl& url);

bool hasType(const MultistatusResponse& response, const char* type);

} // namespace carddav
