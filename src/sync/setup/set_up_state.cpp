#include "sync/setup/set_up_state.h"

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

std::optional<OAuthClient> rememberedSignIn(const SyncState& state)
{
    if (state.signInClient.empty())
        return std::nullopt;
    OAuthClient client;
    client.issuer = QUrl(QString::fromStdString(state.signInIssuer));
    client.id = QString::fromStdString(state.signInClient);
    return client;
}

} // namespace syncing
