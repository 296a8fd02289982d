#include "sync/carddav/url_policy.h"

#include "sync/carddav/registrable_domain.h"

#include <QHostAddress>

namespace carddav {

bool isLoopbackHost(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

std::optional<DavError> refusalToSend(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty())
        return DavError{DavError::Insecure, "\"" + url.toString().toStdString() +
                                                "\" is not a server address (https://host/...)"};
    if (scheme == QLatin1String("https"))
        return std::nullopt;
    if (scheme == QLatin1String("http") && isLoopbackHost(url.host()))
        return std::nullopt;
    if (scheme == QLatin1String("http"))
        return DavError{DavError::Insecure,
                        "refusing plain http:// to " + url.host().toStdString() +
                            ": the password would travel unencrypted; use https://"};
    return DavError{DavError::Insecure,
                    "\"" + url.toString().toStdString() + "\" is not an https:// address"};
}

std::optional<DavError> refusalToFollow(const QUrl& from, const QUrl& to)
{
    const bool sameScheme = from.scheme().compare(to.scheme(), Qt::CaseInsensitive) == 0;
    const bool sameHost = from.host().compare(to.host(), Qt::CaseInsensitive) == 0;
    const bool sameOwner = (isLoopbackHost(from.host()) && isLoopbackHost(to.host())) ||
                           (from.scheme().toLower() == QLatin1String("https") &&
                            shareRegistrableDomain(from.host(), to.host()));
    if (sameScheme && (sameHost || sameOwner))
        return std::nullopt;
    return DavError{
        DavError::Insecure,
        "the server sent us on to " + to.toString(QUrl::RemoveUserInfo).toStdString() +
            ", another " +
            (from.host().compare(to.host(), Qt::CaseInsensitive) == 0 ? "scheme" : "server") +
            "; not followed, so that the password stays with " + from.host().toStdString()};
}

QUrl resolvedHref(const QUrl& answerUrl, const std::string& written)
{
    const QUrl reference(QString::fromStdString(written).trimmed(), QUrl::TolerantMode);
    QUrl url = answerUrl.resolved(reference);
    url.setUserInfo(QString());
    url.setFragment(QString());
    // Spelled as a path from readMultistatus is, so that one book has one URL however the
    // server encoded its href.
    url.setPath(url.path(QUrl::FullyDecoded), QUrl::DecodedMode);
    return url;
}

QUrl urlForPath(const QUrl& base, const std::string& path)
{
    QUrl url = base;
    url.setQuery(QString());
    url.setFragment(QString());
    QString decoded = QString::fromStdString(path);
    if (!decoded.startsWith(QLatin1Char('/')))
        decoded = asCollection(base).path(QUrl::FullyDecoded) + decoded;
    // The path is decoded: a '%' in it is a '%' in the name, and is sent as %25.
    url.setPath(decoded, QUrl::DecodedMode);
    return url;
}

QUrl asCollection(QUrl url)
{
    QString path = url.path(QUrl::FullyDecoded);
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
        url.setPath(path, QUrl::DecodedMode);
    }
    return url;
}

QString lastPathPart(const QUrl& url)
{
    QString path = url.path(QUrl::FullyDecoded);
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace carddav
