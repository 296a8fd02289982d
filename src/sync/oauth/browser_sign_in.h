#pragma once

#include "sync/oauth/authorization_request.h"
#include "sync/oauth/oauth_client.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <string>

// Signing in through the browser (the authorization code with PKCE, RFC 8252's way for a
// program on the person's own machine): the browser is sent to the provider, comes back to a
// listener on 127.0.0.1, and the code it brings is traded for tokens. Destroying it (Ctrl+C,
// the window's Cancel) ends it without a call back, nothing kept.
namespace syncing {

class RedirectListener;
class TokenEndpoint;

class BrowserSignIn : public QObject {
    Q_OBJECT
public:
    // `openBrowser` hands an address to the desktop's browser; false when it could not.
    BrowserSignIn(OAuthClient client, std::function<bool(const QUrl&)> openBrowser,
                  QObject* parent = nullptr);
    ~BrowserSignIn() override;

    // How long the person is given to sign in.
    void setPatience(int milliseconds) { patienceMs_ = milliseconds; }

    // `showAddress` is told the address the browser is sent to, for a browser elsewhere;
    // `done` is called once.
    void start(std::function<void(const QUrl&)> showAddress,
               std::function<void(SignInOutcome)> done);

private:
    void browse(const OAuthEndpoints& endpoints);
    RedirectOutcome cameBack(const QUrl& target);
    void finish(SignInOutcome outcome);

    OAuthClient client_;
    std::function<bool(const QUrl&)> openBrowser_;
    std::function<void(const QUrl&)> showAddress_;
    std::function<void(SignInOutcome)> done_;
    int patienceMs_ = 5 * 60 * 1000;
    std::unique_ptr<TokenEndpoint> tokenEndpoint_;
    std::unique_ptr<RedirectListener> listener_;
    OAuthEndpoints endpoints_;
    QByteArray verifier_;
    QByteArray state_;
    QUrl redirect_;
};

} // namespace syncing
