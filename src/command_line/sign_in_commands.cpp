#include "command_line/sign_in_commands.h"

#include "desktop/desktop_links.h"
#include "sync/oauth/google_account.h"
#include "sync/oauth/provider_metadata.h"
#include "sync/password/terminal_prompt.h"
#include "sync/setup/set_up_state.h"

#include <QEventLoop>

#include <ostream>
#include <stdexcept>

namespace command_line {
namespace {

QUrl issuerAddress(const QString& typed, syncing::SyncModule& module)
{
    const std::optional<QUrl> issuer = syncing::serverAddress(typed);
    if (!issuer)
        throw std::invalid_argument(syncing::noServerAddressText(typed));
    // The sign-in server is given codes and tokens: as a password, only over https.
    if (const auto refusal = module.refusalToSend(*issuer))
        throw std::invalid_argument(refusal->message);
    return *issuer;
}

} // namespace

std::optional<syncing::OAuthClient> signInClient(const QUrl& server, const SignInOptions& options,
                                                 syncing::SyncModule& module)
{
    syncing::OAuthClient client;
    if (options.issuer)
        client.issuer = issuerAddress(*options.issuer, module);
    else if (syncing::isGoogleServer(server))
        client.issuer = syncing::googleIssuer();
    else if (options.clientId || options.secretFromStandardInput)
        throw std::invalid_argument("--client-id and --client-secret-stdin are for a server "
                                    "that signs in through the browser: Google's, or one "
                                    "named by --oauth-issuer");
    else
        return std::nullopt;
    const bool google = client.issuer == syncing::googleIssuer();
    if (google && !options.clientId)
        client = syncing::builtInGoogleClient().value_or(client);
    else
        client.id = options.clientId.value_or(QString());
    if (client.id.isEmpty())
        throw std::invalid_argument(
            google ? "Google gives no sign-in to a program as such: register a \"Desktop app\" "
                     "client of your own with the CardDAV API (the README says how) and name it "
                     "with --client-id ID --client-secret-stdin"
                   : "--client-id ID names the client registered with the sign-in server");
    if (options.secretFromStandardInput) {
        const std::optional<std::string> line = syncing::readLineFromStandardInput();
        if (!line || line->empty())
            throw std::invalid_argument("no client secret on standard input");
        client.secret = QString::fromStdString(*line);
    }
    return client;
}

syncing::OAuthTokens signInThroughBrowser(syncing::SyncModule& module,
                                          const syncing::OAuthClient& client, std::ostream& out)
{
    const auto signIn = module.newSignIn(client, desktop::openLink);
    QEventLoop loop;
    std::optional<syncing::SignInOutcome> outcome;
    signIn->start(
        [&](const QUrl& address) {
            out << "Sign in at " << client.issuer.host().toStdString()
                << " in the browser; if none opens, open this address in a browser on this "
                   "machine:\n  "
                << address.toEncoded().toStdString()
                << "\nWaiting for the sign-in (at most five minutes; Ctrl+C stops it)...\n"
                << std::flush;
        },
        [&](syncing::SignInOutcome result) {
            outcome = std::move(result);
            loop.quit();
        });
    if (!outcome)
        loop.exec();
    if (!outcome->tokens)
        throw std::runtime_error(outcome->error);
    return *outcome->tokens;
}

} // namespace command_line
