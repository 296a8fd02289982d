#pragma once

#include "sync/carddav/bearer_tokens.h"
#include "sync/carddav/dav_error.h"
#include "sync/carddav/request_pace.h"
#include "sync/carddav/server_login.h"
#include "sync/carddav/server_wait.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace carddav {

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
    // The Location header, as sent (a card the server stored under a name of its own).
    QByteArray location;
};

// The requests' plumbing: the login each server asks for (see ServerLogin), the timeout, redirects
// to the same scheme and host only, the certificate checked, answers capped in size, as many
// requests at once as the server's pace allows (see RequestPace). An answer with any HTTP
// status is a DavReply; the operation decides what its statuses mean. Failures below HTTP (no
// connection, timeout, certificate, refused address) are a DavError.
//
// The timeout counts only the server's time: a request's clock runs while the server sends it
// its answer, or while it is the oldest request on the wire, the one the server serves next. A
// request queued behind others at a server that serves one at a time is never timed out for
// waiting its turn; when the server stops moving on the oldest, the requests behind it end
// with it. Connecting and sending the request, and an answer once begun, may each stand still
// for the timeout; a request sent whole waits longer for its answer to begin (the answer
// wait), since a server answers a big book's first listing only once it has read every card,
// and says nothing meanwhile.
//
// A server that asks to be asked later (429, 503) is asked again after the time it gives in
// Retry-After, or after 1, 2, 4, ... s; meanwhile no request goes to it. The waits of one
// transport, which serves one sync, add up to at most a set time (see server_wait.h).
class DavTransport {
public:
    using Done = std::function<void(DavResult<DavReply>)>;

    explicit DavTransport(Credentials credentials);
    ~DavTransport();
    DavTransport(const DavTransport&) = delete;
    DavTransport& operator=(const DavTransport&) = delete;

    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }
    // How long a request sent whole waits for the first byte of its answer (10 min unless set).
    void setAnswerWait(int milliseconds) { answerWaitMs_ = milliseconds; }
    // How long the servers' requests to wait may add up to (5 min unless set).
    void setMostWaiting(int milliseconds)
    {
        mostWaiting_ = std::chrono::milliseconds(milliseconds);
    }
    // Told, in one line, when a server asked to wait and when it is still working on an answer
    // after the timeout.
    void setWaitNotice(std::function<void(const std::string&)> notice)
    {
        notice_ = std::move(notice);
    }

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
    void handTheClockOn();
    void letWaitingGo();
    void waitOrGiveUp(const std::shared_ptr<Exchange>& exchange, const QNetworkReply& reply,
                      const DavReply& answer);

    ServerLogin login_;
    int timeoutMs_ = 30000;
    int answerWaitMs_ = 10 * 60 * 1000;
    std::chrono::milliseconds mostWaiting_ = MostWaitingInAll;
    std::chrono::milliseconds waitedInAll_{0};
    std::function<void(const std::string&)> notice_ = [](const std::string&) {};
    std::unique_ptr<QObject> context_;
    std::unique_ptr<QNetworkAccessManager> network_;
    std::set<std::shared_ptr<Exchange>> running_;
    // Requests beyond what goes to the server at once wait here, not in the network's own
    // queue, so that hundreds of uploads or fetches asked for together go at the server's pace.
    std::deque<std::shared_ptr<Exchange>> waiting_;
    // Sent and not yet answered, the oldest first.
    std::deque<std::shared_ptr<Exchange>> onTheWire_;
    RequestPace pace_;
    // Runs while the server asked to wait: nothing goes on the wire until it ends.
    std::unique_ptr<QTimer> pause_;
};

} // namespace carddav
