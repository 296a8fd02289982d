#include "sync/carddav/server_traits.h"

#include <QFile>
#include <QStandardPaths>

#include <optional>

namespace carddav {
namespace {

// Google's CardDAV takes any If-Match, wants Depth 1 for sync-collection and keeps vCard 3.0.
const QString KnownServers =
    QStringLiteral("www.googleapis.com if-match-unenforced sync-collection-depth-1 vcard-3-only\n");

bool names(const QString& server, const QUrl& book)
{
    const qsizetype colon = server.lastIndexOf(u':');
    const QString host = colon < 0 ? server : server.left(colon);
    if (host.compare(book.host(), Qt::CaseInsensitive) != 0)
        return false;
    const int defaultPort = book.scheme() == QLatin1String("https") ? 443 : 80;
    return colon < 0 || server.mid(colon + 1).toInt() == book.port(defaultPort);
}

ServerTraits traitsNamed(const QStringList& words)
{
    ServerTraits traits;
    for (const QString& word : words) {
        traits.ifMatchUnenforced |= word == QLatin1String("if-match-unenforced");
        traits.syncCollectionDepthOne |= word == QLatin1String("sync-collection-depth-1");
        traits.onlyVCard3 |= word == QLatin1String("vcard-3-only");
    }
    return traits;
}

QString usersFile()
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/zarvoth/server-traits");
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

ServerTraits traitsIn(const QString& lines, const QUrl& book)
{
    std::optional<ServerTraits> byHost;
    for (const QString& line : lines.split(u'\n')) {
        QStringList words =
            line.left(line.indexOf(u'#')).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty() || !names(words.front(), book))
            continue;
        const bool withPort = words.front().contains(u':');
        words.removeFirst();
        if (withPort)
            return traitsNamed(words);
        byHost = traitsNamed(words);
    }
    return byHost.value_or(ServerTraits{});
}

ServerTraits serverTraits(const QUrl& book)
{
    const ServerTraits known = traitsIn(KnownServers, book);
    return known != ServerTraits{} ? known : traitsIn(usersFile(), book);
}

} // namespace carddav
