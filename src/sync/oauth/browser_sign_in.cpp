#include "sync/oauth/browser_sign_in.h"

#include "sync/oauth/authorization_request.h"
#include "sync/oauth/pkce.h"
#include "sync/oauth/redirect_listener.h"
#include "sync/oauth/token_endpoint.h"

#include <QTimer>

namespace syncing {

BrowserSignIn::BrowserSignIn(OAuthClient client, std::function<bool(const QUrl&)> openBrowser,
                             QObject* parent)
    : QObject(parent), client_(std::move(client)), openBrowser_(std::move(openBrowser)),
      tokenEndpoint_(std::make_unique<TokenEndpoint>())
{
}

BrowserSignIn::~BrowserSignIn() = default;

void BrowserSignIn::start(std::function<void(const QUrl&)> showAddress,
                          std::function<void(SignInOutcome)> done)
{
    showAddress_ = std::move(showAddress);
    done_ = std::move(done);
    tokenEndpoint_->findEndpoints(client_.issuer, [this](carddav::DavResult<OAuthEndpoints> found) {
        if (auto* error = std::get_if<carddav::DavError>(&found))
            return finish({std::nullopt, error->message});
        browse(std::get<OAuthEndpoints>(found));
    });
}

void BrowserSignIn::browse(const OAuthEndpoints& endpoints)
{
    endpoints_ = endpoints;
    listener_ =
        std::make_unique<RedirectListener>([this](const QUrl& target) { return cameBack(target); });
    if (!listener_->open())
        return finish({std::nullopt, "cannot listen on 127.0.0.1 for the browser's answer: " +
                                         listener_->errorString().toStdString()});
    verifier_ = randomWord();
    state_ = randomWord(16);
    redirect_ = listener_->address();
    const QUrl address =
        authorizationAddress(endpoints_, client_, redirect_, state_, s256Challenge(verifier_));
    showAddress_(address);
    // The address was shown: a browser that does not open can be given it by hand.
    openBrowser_(address);
    QTimer::singleShot(patienceMs_, this, [this] {
        finish({std::nullopt, "no sign-in came back from the browser within " +
                                  std::to_string(patienceMs_ / 60000) + " minutes"});
    });
}

RedirectOutcome BrowserSignIn::cameBack(const QUrl& target)
{
    const RedirectOutcome outcome = readRedirect(target, state_);
    // Answered on the event loop, after the page went to the browser.
    QTimer::singleShot(0, this, [this, outcome] {
        if (!outcome.code)
            return finish({std::nullopt, outcome.error});
        tokenEndpoint_->ask(endpoints_.token,
                            codeExchangeForm(client_, *outcome.code, redirect_, verifier_),
                            [this](TokenAnswer answer) {
                                if (!answer.tokens)
                                    return finish({std::nullopt, answer.error});
                                finish({answer.tokens, {}});
                            });
    });
    return outcome;
}

void BrowserSignIn::finish(SignInOutcome outcome)
{
    if (!done_)
        return;
    if (listener_)
        listener_->close();
    auto done = std::exchange(done_, nullptr);
    done(std::move(outcome));
}

} // namespace syncing
