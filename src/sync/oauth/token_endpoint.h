#pragma once

#include "sync/carddav/dav_error.h"
#include "sync/oauth/oauth_client.h"
#include "sync/oauth/token_answer.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

class QNetworkAccessManager;

// Talking to the authorization server: its metadata, its token endpoint and its revocation
// endpoint, with JSON answers. Nothing goes anywhere a password could not (https, or http to
// this machine). Each call ends by calling back once, on the event loop; destroying it ends
// them without a call.
namespace syncing {

class TokenEndpoint : public QObject {
    Q_OBJECT
public:
    explicit TokenEndpoint(QObject* parent = nullptr);
    ~TokenEndpoint() override;

    // The endpoints of `issuer`: known ones, else its metadata (OAuth's, then OpenID's).
    void findEndpoints(const QUrl& issuer,
                       std::function<void(carddav::DavResult<OAuthEndpoints>)> done);

    // Posts a form to the token endpoint.
    void ask(const QUrl& token, const QByteArray& form, std::function<void(TokenAnswer)> done);

    // Gives a token back; whatever the answer, the token is forgotten here.
    void revoke(const QUrl& revocation, const QByteArray& form, std::function<void()> done);

private:
    void post(const QUrl& url, const QByteArray& form,
              std::function<void(int status, const QByteArray& body, const QString& error)> done);
    void get(const QUrl& url,
             std::function<void(int status, const QByteArray& body, const QString& error)> done);
    void tryMetadata(std::vector<QUrl> addresses, std::size_t next,
                     std::function<void(carddav::DavResult<OAuthEndpoints>)> done);

    std::unique_ptr<QNetworkAccessManager> network_;
};

} // namespace syncing
