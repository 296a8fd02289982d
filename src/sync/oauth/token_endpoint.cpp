#include "sync/oauth/token_endpoint.h"

#include "sync/carddav/url_policy.h"
#include "sync/oauth/provider_metadata.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace syncing {
namespace {

// As long as the CardDAV requests are given.
constexpr int timeoutMs = 30000;
// Metadata and token answers are a few hundred bytes.
constexpr qint64 largestAnswer = 1 << 20;

using Answered = std::function<void(int status, const QByteArray& body, const QString& error)>;

void whenFinished(QNetworkReply* reply, QObject* context, Answered done)
{
    QObject::connect(reply, &QNetworkReply::finished, context, [reply, done] {
        reply->deleteLater();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid())
            return done(0, {}, reply->errorString());
        const QByteArray body = reply->read(largestAnswer);
        done(status.toInt(), body, {});
    });
}

QNetworkRequest requestTo(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    request.setRawHeader("Accept", "application/json");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    return request;
}

} // namespace

TokenEndpoint::TokenEndpoint(QObject* parent)
    : QObject(parent), network_(std::make_unique<QNetworkAccessManager>())
{
    // A token endpoint that redirects is not followed: the form holds the code or the token.
    network_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

TokenEndpoint::~TokenEndpoint()
{
    // Requests still running end without calling back: whoever waited is gone.
    for (QNetworkReply* reply : network_->findChildren<QNetworkReply*>())
        reply->disconnect();
}

void TokenEndpoint::post(const QUrl& url, const QByteArray& form, Answered done)
{
    if (const auto refusal = carddav::refusalToSend(url)) {
        QTimer::singleShot(
            0, this, [done, refusal] { done(0, {}, QString::fromStdString(refusal->message)); });
        return;
    }
    QNetworkRequest request = requestTo(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArray("application/x-www-form-urlencoded"));
    whenFinished(network_->post(request, form), this, std::move(done));
}

void TokenEndpoint::get(const QUrl& url, Answered done)
{
    if (const auto refusal = carddav::refusalToSend(url)) {
        QTimer::singleShot(
            0, this, [done, refusal] { done(0, {}, QString::fromStdString(refusal->message)); });
        return;
    }
    whenFinished(network_->get(requestTo(url)), this, std::move(done));
}

void TokenEndpoint::findEndpoints(const QUrl& issuer,
                                  std::function<void(carddav::DavResult<OAuthEndpoints>)> done)
{
    if (const auto known = knownEndpoints(issuer)) {
        QTimer::singleShot(0, this, [done, known] { done(*known); });
        return;
    }
    tryMetadata(metadataAddresses(issuer), 0, std::move(done));
}

void TokenEndpoint::tryMetadata(std::vector<QUrl> addresses, std::size_t next,
                                std::function<void(carddav::DavResult<OAuthEndpoints>)> done)
{
    const QUrl address = addresses[next];
    get(address,
        [this, addresses, next, done](int status, const QByteArray& body, const QString& error) {
            if (status == 0)
                return done(carddav::DavError{carddav::DavError::Unreachable,
                                              "cannot ask the sign-in server " +
                                                  addresses[next].host().toStdString() + ": " +
                                                  error.toStdString()});
            const std::optional<OAuthEndpoints> endpoints =
                status == 200 ? readMetadata(body) : std::nullopt;
            if (endpoints)
                return done(*endpoints);
            if (next + 1 < addresses.size())
                return tryMetadata(addresses, next + 1, done);
            done(carddav::badAnswer("the sign-in server " + addresses[next].host().toStdString() +
                                    " describes no authorization and token endpoints at " +
                                    addresses.front().toString().toStdString() + " nor at " +
                                    addresses.back().toString().toStdString()));
        });
}

void TokenEndpoint::ask(const QUrl& token, const QByteArray& form,
                        std::function<void(TokenAnswer)> done)
{
    post(token, form, [token, done](int status, const QByteArray& body, const QString& error) {
        if (status == 0) {
            TokenAnswer unreachable;
            unreachable.error = "cannot reach the sign-in server " + token.host().toStdString() +
                                ": " + error.toStdString();
            return done(unreachable);
        }
        done(readTokenAnswer(status, body, QDateTime::currentDateTimeUtc()));
    });
}

void TokenEndpoint::revoke(const QUrl& revocation, const QByteArray& form,
                           std::function<void()> done)
{
    post(revocation, form, [done](int, const QByteArray&, const QString&) { done(); });
}

} // namespace syncing
