#pragma once

#include "sync/carddav/dav_error.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

class QNetworkAccessManager;

namespace carddav {

struct Credentials {
    QString user;
    QString password;
};

struct DavRequest {
    QByteArray method;
    QUrl url;
    QByteArray body = {};
    // "application/xml; charset=utf-8", "text/vcard; charset=utf-8"; none when empty.
    QByteArray contentType = {};
    // Depth, If-Match, If-None-Match, ...
    std::vector<std::pair<QByteArray, QByteArray>> headers = {};
};

struct DavReply {
    int status = 0;
    QByteArray reason;
    QByteArray body;
    // Where the request ended after the redirects it followed.
    QUrl url;
    QByteArray etag;
};

// The requests' plumbing: the password sent with each request, the timeout, redirects to the
// same scheme and host only, the certificate checked, answers capped in size. An answer with
// any HTTP status is a DavReply; the operation decides what its statuses mean. Failures
// below HTTP (no connection, timeout, certificate, refused address) are a DavError.
class DavTransport {
public:
    using Done = std::function<void(DavResult<DavReply>)>;

    explicit DavTransport(Credentials credentials);
    ~DavTransport();
    DavTransport(const DavTransport&) = delete;
    DavTransport& operator=(const DavTransport&) = delete;

    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

    // Calls done once, on the event loop, never from within send().
    void send(DavRequest request, Done done);

private:
    struct Exchange;
    void start(std::shared_ptr<Exchange> exchange);
    void finish(const std::shared_ptr<Exchange>& exchange);
    void conclude(const std::shared_ptr<Exchange>& exchange, DavResult<DavReply> result);

    Credentials credentials_;
    int timeoutMs_ = 30000;
    std::unique_ptr<QObject> context_;
    std::unique_ptr<QNetworkAccessManager> network_;
    std::set<std::shared_ptr<Exchange>> running_;
    // Requests beyond what goes to the server at once wait here, not in the network's own
    // queue: their timeout starts when they are sent, so that hundreds of uploads or fetches
    // asked for together never count as a server that does not answer.
    std::deque<std::shared_ptr<Exchange>> waiting_;
    std::size_t onTheWire_ = 0;
};

} // namespace carddav
