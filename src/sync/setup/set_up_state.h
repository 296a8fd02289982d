#pragma once

#include "store/file_system.h"
#include "sync/oauth/google_account.h"
#include "sync/oauth/oauth_client.h"
#include "sync/state/sync_state.h"

#include <QString>
#include <QUrl>

#include <optional>
#include <string>

// The set-up as the folder keeps it, and the address it starts from: no network, so that the
// window and the commands have them without the sync module.
namespace syncing {

// Whether `text` is a server address a set-up can start from (http or https, with a host).
bool isServerAddress(const QUrl& url);

// The address a set-up starts from, as the user typed it. One typed without a scheme is taken
// as https://, or as http:// where it names this machine itself (127.0.0.0/8, ::1, localhost),
// whose own servers seldom have a certificate. Nothing when the text names no server.
std::optional<QUrl> serverAddress(const QString& typed);

// Whether `typed` is an e-mail address (ann@example.org): a set-up from it looks up the
// domain's CardDAV service, and signs in as the address unless told another user name.
bool isMailAddress(const QString& typed);

// The domain whose service a start made from an e-mail address looks up: serverAddress()
// makes ann@example.org the start https://ann@example.org/. Empty for any other start.
QString mailDomainOf(const QUrl& start);

// For a service that takes only an app password, not the account's own (iCloud, Fastmail,
// mailbox.org, Nextcloud with two-factor login), where to make one, in a line: what a set-up
// says when the service refused the password. Nothing for other servers.
std::optional<std::string> appPasswordHint(const QUrl& start);

// Why `typed` cannot start a set-up, naming it as it was typed.
std::string noServerAddressText(const QString& typed);

// Remembers the address book and the user for the contacts in the working directory. The same
// book again keeps what the last sync left; another one starts afresh, pairing the contacts
// anew without duplicating them. An account that signs in through the browser is remembered
// with its client (not the secret). The folder must be held.
void rememberSetUp(store::FileSystem& fs, const QString& user, const QUrl& book,
                   const std::optional<OAuthClient>& signIn = std::nullopt);

// The client of an account that signs in through the browser, as the set-up remembers it;
// nothing for a password. The packager's client (`builtIn`) comes back with its secret, which
// the set-up never writes down: without a keyring, a sync signs in again with it.
std::optional<OAuthClient> rememberedSignIn(
    const SyncState& state, const std::optional<OAuthClient>& builtIn = builtInGoogleClient());

// Whether a new sign-in with `client` needs its secret asked for: Google's desktop clients
// have one, and only the keyring keeps it.
bool needsSecretAsked(const OAuthClient& client);

} // namespace syncing
