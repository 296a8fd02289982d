#include "sync/setup/set_up_state.h"

#include "sync/oauth/provider_metadata.h"
#include "sync/state/state_file.h"

#include <QRegularExpression>

namespace syncing {
namespace {

// Addresses that never leave this machine. The host is as QUrl leaves it: an IPv6 address in
// its short form, an IPv4 one in four decimal parts.
bool isLoopback(const QString& host)
{
    static const QRegularExpression ip4Loopback(
        QStringLiteral("^127\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}$"));
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           host == QLatin1String("::1") || ip4Loopback.match(host).hasMatch();
}

bool isOnDomain(const QString& host, const QString& domain)
{
    return host.compare(domain, Qt::CaseInsensitive) == 0 ||
           host.endsWith(QLatin1Char('.') + domain, Qt::CaseInsensitive);
}

} // namespace

bool isServerAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

std::optional<QUrl> serverAddress(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.contains(QLatin1String("://"))) {
        const QUrl url(text, QUrl::StrictMode);
        return isServerAddress(url) ? std::optional(url) : std::nullopt;
    }
    QUrl url(QStringLiteral("https://") + text, QUrl::StrictMode);
    if (!isServerAddress(url))
        return std::nullopt;
    // A word alone ("contacts", a user name in the wrong box) is taken for a slip rather than
    // sent the password as the name of a machine.
    const QString host = url.host();
    if (!host.contains(u'.') && !host.contains(u':') && url.port() < 0 && !isLoopback(host))
        return std::nullopt;
    if (isLoopback(host))
        url.setScheme(QStringLiteral("http"));
    if (url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    return url;
}

bool isMailAddress(const QString& typed)
{
    static const QRegularExpression address(QStringLiteral("^[^@/:\\s]+@[^@/:\\s]+\\.[^@/:\\s]+$"));
    return address.match(typed.trimmed()).hasMatch();
}

QString mailDomainOf(const QUrl& start)
{
    const bool fromAddress = start.scheme() == QLatin1String("https") &&
                             !start.userName().isEmpty() && start.password().isEmpty() &&
                             start.port() < 0 && start.path() == QLatin1String("/");
    return fromAddress ? start.host() : QString();
}

std::optional<std::string> appPasswordHint(const QUrl& start)
{
    const QString host = start.host();
    for (const char* apple : {"icloud.com", "me.com", "mac.com"})
        if (isOnDomain(host, QLatin1String(apple)))
            return "iCloud takes an app-specific password, not the Apple Account's own: make one "
                   "at account.apple.com, Sign-In and Security, App-Specific Passwords";
    for (const char* fastmail : {"fastmail.com", "fastmail.fm"})
        if (isOnDomain(host, QLatin1String(fastmail)))
            return "Fastmail takes an app password: make one in Fastmail's Settings, Privacy & "
                   "Security, Manage app passwords, with access to contacts (CardDAV)";
    if (isOnDomain(host, QStringLiteral("mailbox.org")))
        return "mailbox.org takes an app password when two-factor login is on: make one in its "
               "Settings, Security, App passwords";
    // Nextcloud serves its address books under remote.php/dav.
    if (start.path().contains(QLatin1String("/remote.php/")))
        return "Nextcloud with two-factor login takes an app password: make one in its "
               "Settings, Security, Devices & sessions, Create new app password";
    return std::nullopt;
}

std::string noServerAddressText(const QString& typed)
{
    return "\"" + typed.toStdString() + "\" is no server address; give one such as " +
           "https://example.org/";
}

void rememberSetUp(store::FileSystem& fs, const QString& user, const QUrl& book,
                   const std::optional<OAuthClient>& signIn)
{
    std::optional<SyncState> last;
    try {
        last = readStateFile(fs);
    } catch (const BadStateFile&) {
        // A damaged memory of the last sync is replaced: the next sync pairs the contacts
        // anew without duplicating them.
    }
    SyncState state;
    state.bookUrl = book.toString().toStdString();
    state.user = user.toStdString();
    if (last && last->bookUrl == state.bookUrl && last->user == state.user)
        state = *last;
    state.signInIssuer = signIn ? signIn->issuer.toString().toStdString() : std::string();
    state.signInClient = signIn ? signIn->id.toStdString() : std::string();
    writeStateFile(fs, state);
}

std::optional<OAuthClient> rememberedSignIn(const SyncState& state,
                                            const std::optional<OAuthClient>& builtIn)
{
    if (state.signInClient.empty())
        return std::nullopt;
    OAuthClient client;
    client.issuer = QUrl(QString::fromStdString(state.signInIssuer));
    client.id = QString::fromStdString(state.signInClient);
    if (builtIn && builtIn->issuer == client.issuer && builtIn->id == client.id)
        return builtIn;
    return client;
}

bool needsSecretAsked(const OAuthClient& client)
{
    return client.secret.isEmpty() && client.issuer == googleIssuer();
}

} // namespace syncing
