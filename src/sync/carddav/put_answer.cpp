#include "sync/carddav/put_answer.h"

namespace carddav {
namespace {

bool sameServer(const QUrl& a, const QUrl& b)
{
    return a.scheme() == b.scheme() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(a.scheme() == QLatin1String("https") ? 443 : 80) ==
               b.port(b.scheme() == QLatin1String("https") ? 443 : 80);
}

} // namespace

PutOutcome putOutcome(const DavReply& reply, const std::string& href)
{
    PutOutcome outcome;
    outcome.href = href;
    const QByteArray etag = reply.etag.trimmed();
    if (!etag.startsWith("W/"))
        outcome.etag = etag.toStdString();
    if (reply.location.isEmpty())
        return outcome;
    const QUrl stored = reply.url.resolved(QUrl::fromEncoded(reply.location.trimmed()));
    if (stored.isValid() && sameServer(stored, reply.url) && !stored.path().isEmpty())
        outcome.href = stored.path(QUrl::FullyDecoded).toStdString();
    return outcome;
}

} // namespace carddav
