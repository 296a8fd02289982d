#include "sync/carddav/dav_transport.h"

#include "sync/carddav/multistatus.h"
#include "sync/carddav/url_policy.h"

#include <QAuthenticator>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslError>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace carddav {
namespace {

// Enough for any server's chain of redirects; more is a loop.
constexpr int MaxRedirects = 8;

// A login refused with a stale nonce is sent again with the new one; a server that calls
// every nonce stale is not asked for ever.
constexpr int MaxLogins = 3;

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string hostOf(const QUrl& url)
{
    std::string host = url.host().toStdString();
    if (url.port() != -1)
        host += ":" + std::to_string(url.port());
    return host;
}

DavError networkError(QNetworkReply& reply, const QUrl& url)
{
    const std::string host = hostOf(url);
    const std::string reason = reply.errorString().toStdString();
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
        return {DavError::Unreachable, "cannot reach " + host + ": the connection was refused"};
    case QNetworkReply::HostNotFoundError:
        return {DavError::Unreachable, "cannot reach " + host + ": no such host is known"};
    case QNetworkReply::RemoteHostClosedError:
        return {DavError::Unreachable, host + " closed the connection before it answered"};
    case QNetworkReply::SslHandshakeFailedError:
        return {DavError::Certificate, "the secure connection to " + host + " failed: " + reason};
    default:
        return {DavError::Unreachable, "cannot talk to " + host + ": " + reason};
    }
}

} // namespace

struct DavTransport::Exchange {
    DavRequest request;
    Done done;
    int redirects = 0;
    int logins = 0;
    // The request went with an Authorization header.
    bool sentWithLogin = false;
    QNetworkReply* reply = nullptr;
    // Runs only while it is the server's turn for this request (see the class comment).
    QTimer stall;
    // Since the server's turn first came to it: how long it took the server, for the pace.
    QElapsedTimer served;
    // The request went out whole; the server has begun to send its answer.
    bool requestSent = false;
    bool answered = false;
    // Since the request went out whole and the server's turn came to it, while no answer began.
    QElapsedTimer answerAwaited;
    // How often the server asked to wait before it would take this request.
    int waits = 0;
    int timeoutMs = 0;
    QByteArray body;
    // Set before the reply is aborted, to say why.
    std::optional<DavError> abortedFor;
    QList<QSslError> certificateErrors;
    // Sent, rather than waiting for a connection of its own or refused before it was sent.
    bool sent = false;
    // The account's access token was renewed for it after a 401: a second 401 is the answer.
    bool tokenRenewed = false;

    void clockOn()
    {
        if (!served.isValid())
            served.start();
        if (requestSent && !answered && !answerAwaited.isValid())
            answerAwaited.start();
        stall.start(timeoutMs);
    }
    void abort(const DavError& error)
    {
        if (!reply || abortedFor)
            return;
        abortedFor = error;
        reply->abort();
    }
};

DavTransport::DavTransport(Credentials credentials)
    : login_(std::move(credentials)), context_(std::make_unique<QObject>()),
      network_(std::make_unique<QNetworkAccessManager>()), pause_(std::make_unique<QTimer>())
{
    pause_->setSingleShot(true);
    // Never back before the time the server asked for.
    pause_->setTimerType(Qt::PreciseTimer);
    QObject::connect(pause_.get(), &QTimer::timeout, context_.get(), [this] { letWaitingGo(); });
    // Redirects are followed here, where their target can be checked first.
    network_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    // A wrong password is told at once, not asked for again and again.
    QObject::connect(network_.get(), &QNetworkAccessManager::authenticationRequired, context_.get(),
                     [](QNetworkReply*, QAuthenticator*) {});
}

DavTransport::~DavTransport()
{
    // Requests still running end without calling back: whoever waited is gone.
    for (const auto& exchange : running_) {
        if (exchange->reply) {
            exchange->reply->disconnect();
            exchange->reply->abort();
            delete exchange->reply;
            exchange->reply = nullptr;
        }
        exchange->stall.stop();
    }
}

void DavTransport::send(DavRequest request, Done done)
{
    auto exchange = std::make_shared<Exchange>();
    exchange->request = std::move(request);
    exchange->done = std::move(done);
    running_.insert(exchange);
    if (auto refusal = refusalToSend(exchange->request.url)) {
        // Refused before any connection is made; told on the event loop like any answer.
        QTimer::singleShot(0, context_.get(),
                           [this, exchange, refusal] { conclude(exchange, *refusal); });
        return;
    }
    if (pause_->isActive() || onTheWire_.size() >= pace_.atOnce()) {
        waiting_.push_back(exchange);
        return;
    }
    putOnTheWire(exchange);
}

void DavTransport::putOnTheWire(std::shared_ptr<Exchange> exchange)
{
    onTheWire_.push_back(exchange);
    exchange->sent = true;
    startWithToken(std::move(exchange));
}

void DavTransport::startWithToken(std::shared_ptr<Exchange> exchange)
{
    if (!login_.bearer() || !login_.bearer()->accessToken().isEmpty())
        return start(std::move(exchange));
    renewTokenThenStart(std::move(exchange));
}

void DavTransport::renewTokenThenStart(std::shared_ptr<Exchange> exchange)
{
    login_.bearer()->renew([this, exchange, alive = QPointer<QObject>(context_.get())](
                                   std::optional<DavError> refused) {
        if (!alive)
            return;
        if (refused)
            return conclude(exchange, *refused);
        start(exchange);
    });
}

void DavTransport::start(std::shared_ptr<Exchange> exchange)
{
    const DavRequest& request = exchange->request;
    QNetworkRequest network(request.url);
    // None until the server asks; from then on the login it asked for goes at once.
    const QByteArray authorization = login_.authorization(request.method, request.url);
    exchange->sentWithLogin = !authorization.isEmpty();
    if (exchange->sentWithLogin)
        network.setRawHeader("Authorization", authorization);
    if (!request.contentType.isEmpty())
        network.setHeader(QNetworkRequest::ContentTypeHeader, request.contentType);
    for (const auto& [name, value] : request.headers)
        network.setRawHeader(name, value);
    network.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    network.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);

    exchange->body.clear();
    exchange->reply = network_->sendCustomRequest(network, request.method, request.body);
    QNetworkReply* reply = exchange->reply;

    exchange->requestSent = false;
    exchange->answered = false;
    exchange->answerAwaited.invalidate();
    exchange->timeoutMs = timeoutMs_;
    exchange->stall.setSingleShot(true);
    exchange->stall.setInterval(timeoutMs_);
    QObject::connect(&exchange->stall, &QTimer::timeout, reply,
                     [exchange, this] { stalled(exchange); });
    if (onTheWire_.front() == exchange)
        exchange->clockOn();
    // Sending the request moves no clock that is not running: the server may not read it yet.
    QObject::connect(reply, &QNetworkReply::uploadProgress, reply, [exchange] {
        if (exchange->stall.isActive())
            exchange->stall.start();
    });
    QObject::connect(reply, &QNetworkReply::requestSent, reply, [exchange] {
        exchange->requestSent = true;
        if (exchange->stall.isActive())
            exchange->clockOn();
    });
    // The status line and headers are the answer's beginning, before any of its body.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply,
                     [exchange, this] { answering(exchange); });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [exchange, this] { answering(exchange); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [exchange] {
        exchange->body += exchange->reply->readAll();
        if (exchange->body.size() > MaxAnswerBytes)
            exchange->abort(badAnswer("the server's answer is larger than 64 MiB"));
    });
    QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                     [exchange](const QList<QSslError>& errors) {
                         // Never ignored: the connection fails, and these say why.
                         exchange->certificateErrors = errors;
                     });
    QObject::connect(reply, &QNetworkReply::finished, context_.get(),
                     [this, exchange] { finish(exchange); });
}

void DavTransport::answering(const std::shared_ptr<Exchange>& exchange)
{
    exchange->answered = true;
    exchange->clockOn();
    if (onTheWire_.empty())
        return;
    // The server is working through the requests, not always in the order they were sent:
    // the oldest one waits for a server that moves.
    const std::shared_ptr<Exchange>& oldest = onTheWire_.front();
    if (oldest != exchange && !oldest->answered && oldest->stall.isActive())
        oldest->stall.start();
}

void DavTransport::stalled(const std::shared_ptr<Exchange>& exchange)
{
    std::string waitedFor = std::to_string((timeoutMs_ + 999) / 1000) + " s";
    if (exchange->requestSent && !exchange->answered && exchange->answerAwaited.isValid()) {
        // The server has the whole request and works on it: its answer begins when it is done.
        const qint64 waited = exchange->answerAwaited.elapsed();
        if (waited < answerWaitMs_) {
            notice_(stillWorkingText(std::chrono::milliseconds(waited)));
            exchange->stall.start(int(std::min<qint64>(timeoutMs_, answerWaitMs_ - waited)));
            return;
        }
        waitedFor = durationText(std::chrono::milliseconds(answerWaitMs_));
    }
    const DavError timeout{DavError::Timeout,
                           hostOf(exchange->request.url) + " did not answer for " + waitedFor};
    // What waits behind the request the server stopped on waits for the same server: it ends
    // now too, rather than each request waiting out a clock of its own in turn.
    const std::deque<std::shared_ptr<Exchange>> unsent = std::exchange(waiting_, {});
    std::vector<std::shared_ptr<Exchange>> behind;
    for (const auto& other : onTheWire_)
        if (other != exchange && !other->answered)
            behind.push_back(other);
    exchange->abort(timeout);
    for (const auto& other : behind)
        other->abort(timeout);
    for (const auto& other : unsent)
        conclude(other, timeout);
}

void DavTransport::finish(const std::shared_ptr<Exchange>& exchange)
{
    exchange->stall.stop();
    QObject::disconnect(&exchange->stall, nullptr, nullptr, nullptr);
    QNetworkReply* reply = exchange->reply;
    exchange->reply = nullptr;
    reply->deleteLater();
    if (exchange->abortedFor)
        return conclude(exchange, *exchange->abortedFor);
    if (!exchange->certificateErrors.isEmpty()) {
        QStringList reasons;
        for (const QSslError& error : exchange->certificateErrors)
            reasons << error.errorString();
        return conclude(exchange, DavError{DavError::Certificate,
                                           "the certificate of " + hostOf(exchange->request.url) +
                                               " is not trusted by this system: " +
                                               reasons.join(QStringLiteral("; ")).toStdString()});
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return conclude(exchange, networkError(*reply, exchange->request.url));

    DavReply answer;
    answer.status = status.toInt();
    answer.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    answer.body = exchange->body + reply->readAll();
    answer.url = exchange->request.url;
    answer.etag = reply->rawHeader("ETag");
    answer.location = reply->rawHeader("Location");
    if (answer.body.size() > MaxAnswerBytes)
        return conclude(exchange, badAnswer("the server's answer is larger than 64 MiB"));

    if (asksToWait(answer.status))
        return waitOrGiveUp(exchange, *reply, answer);
    if (answer.status == 401 && ++exchange->logins <= MaxLogins &&
        login_.challenged(exchange->request.url, reply->rawHeader("WWW-Authenticate"),
                          exchange->sentWithLogin))
        return start(exchange);
    if (isRedirect(answer.status)) {
        const QUrl target = exchange->request.url.resolved(
            reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
        if (auto refusal = refusalToFollow(exchange->request.url, target))
            return conclude(exchange, *refusal);
        if (++exchange->redirects > MaxRedirects)
            return conclude(exchange, badAnswer("the server sends requests round in a loop of "
                                                "redirects"));
        exchange->request.url = target;
        return start(exchange);
    }
    if (answer.status == 401 && login_.bearer() && !exchange->tokenRenewed) {
        // The token may have been revoked or cut short before its time: one new one is tried.
        exchange->tokenRenewed = true;
        return renewTokenThenStart(exchange);
    }
    conclude(exchange, std::move(answer));
}

void DavTransport::conclude(const std::shared_ptr<Exchange>& exchange, DavResult<DavReply> result)
{
    running_.erase(exchange);
    if (exchange->sent)
        leaveTheWire(exchange);
    Done done = std::move(exchange->done);
    done(std::move(result));
}

void DavTransport::leaveTheWire(const std::shared_ptr<Exchange>& exchange)
{
    std::erase(onTheWire_, exchange);
    if (exchange->served.isValid())
        pace_.answered(std::chrono::milliseconds(exchange->served.elapsed()),
                       std::chrono::milliseconds(timeoutMs_));
    handTheClockOn();
    letWaitingGo();
}

void DavTransport::handTheClockOn()
{
    // The server's turn comes to the oldest request left.
    if (!onTheWire_.empty() && !onTheWire_.front()->stall.isActive() && onTheWire_.front()->reply)
        onTheWire_.front()->clockOn();
}

void DavTransport::letWaitingGo()
{
    while (!pause_->isActive() && onTheWire_.size() < pace_.atOnce() && !waiting_.empty()) {
        std::shared_ptr<Exchange> next = waiting_.front();
        waiting_.pop_front();
        putOnTheWire(std::move(next));
    }
}

void DavTransport::waitOrGiveUp(const std::shared_ptr<Exchange>& exchange,
                                const QNetworkReply& reply, const DavReply& answer)
{
    const WaitDecision decision =
        decideWait(retryAfter(reply.rawHeader("Retry-After"), QDateTime::currentDateTimeUtc()),
                   exchange->waits, waitedInAll_, mostWaiting_);
    if (!decision.wait)
        return conclude(exchange, DavError{DavError::ServerError,
                                           "the server is busy: it asked to wait longer than a "
                                           "sync waits, " +
                                               durationText(mostWaiting_) + " in all (HTTP " +
                                               std::to_string(answer.status) + " " +
                                               answer.reason.trimmed().toStdString() + ")",
                                           answer.status});
    ++exchange->waits;
    // Asked again first once the wait is over; what the server is busy with meanwhile goes on.
    std::erase(onTheWire_, exchange);
    exchange->sent = false;
    waiting_.push_front(exchange);
    const std::chrono::milliseconds wait = *decision.wait;
    const std::chrono::milliseconds left(pause_->isActive() ? pause_->remainingTime() : 0);
    if (wait > left) {
        waitedInAll_ += wait - left;
        pause_->start(int(wait.count()));
        notice_(askedToWaitText(wait));
    }
    handTheClockOn();
}

} // namespace carddav
