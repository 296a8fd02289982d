#pragma once

#include "sync/carddav/bearer_tokens.h"
#include "sync/carddav/dav_error.h"
#include "sync/carddav/request_pace.h"

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
    // Set for an account that signs in with OAuth 2.0: its token is sent instead of the
    // password.
    std::shared_ptr<BearerTokens> bearer = {};
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
// same scheme and host only, the certificate checked, answers capped in size, as many
// requests at once as the server's pace allows (see RequestPace). An answer with any HTTP
// status is a DavReply; the operation decides what its statuses mean. Failures below HTTP (no
// connection, timeout, certificate, refused address) are a DavError.
//
// The timeout counts only the server's time: a request's clock runs while the server sends it
// its answer, or while it is the oldest request on the wire, the one the server serves next. A
// request queued behind others at a server that serves one at a time is never timed out for
// waiting its turn; when the server stops moving on the oldest, the requests behind it end
// with it.
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
    void putOnTheWire(std::shared_ptr<Exchange> exchange);
    void start(std::shared_ptr<Exchange> exchange);
    // An account that signs in through the browser first gets an access token, if it has none.
    void startWithToken(std::shared_ptr<Exchange> exchange);
    void renewTokenThenStart(std::shared_ptr<Exchange> exchange);
    void answering(const std::shared_ptr<Exchange>& exchange);
    void stalled(const std::shared_ptr<Exchange>& exchange);
    void finish(const std::shared_ptr<Exchange>& exchange);
    void conclude(const std::shared_ptr<Exchange>& exchange, DavResult<DavReply> result);
    void leaveTheWire(const std::shared_ptr<Exchange>& exchange);

    Credentials credentials_;
    int timeoutMs_ = 30000;
    std::unique_ptr<QObject> context_;
    std::unique_ptr<QNetworkAccessManager> network_;
    std::set<std::shared_ptr<Exchange>> running_;
    // Requests beyond what goes to the server at once wait here, not in the network's own
    // queue, so that hundreds of uploads or fetches asked for together go at the server's pace.
    std::deque<std::shared_ptr<Exchange>> waiting_;
    // Sent and not yet answered, the oldest first.
    std::deque<std::shared_ptr<Exchange>> onTheWire_;
    RequestPace pace_;
};

} // namespace carddav
