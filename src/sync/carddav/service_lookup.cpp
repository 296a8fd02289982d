#include "sync/carddav/service_lookup.h"

#include <QDnsLookup>

#include <algorithm>

namespace carddav {
namespace {

QString serviceName(const QString& domain)
{
    return QStringLiteral("_carddavs._tcp.") + domain;
}

QString pathFrom(const QStringList& texts)
{
    for (const QString& text : texts)
        if (text.startsWith(QLatin1String("path="), Qt::CaseInsensitive) && text.size() > 5)
            return text.mid(5);
    return QStringLiteral("/");
}

} // namespace

std::optional<QUrl> serviceAddress(const std::vector<ServiceRecord>& records,
                                   const QStringList& texts)
{
    if (records.empty())
        return std::nullopt;
    const ServiceRecord& best = *std::min_element(
        records.begin(), records.end(), [](const ServiceRecord& a, const ServiceRecord& b) {
            return a.priority != b.priority ? a.priority < b.priority : a.weight > b.weight;
        });
    QString host = best.target;
    while (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    if (host.isEmpty())
        return std::nullopt;
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    if (best.port != 443)
        url.setPort(best.port);
    const QString path = pathFrom(texts);
    url.setPath(path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path);
    return url.isValid() ? std::optional(url) : std::nullopt;
}

QUrl domainRoot(const QString& domain)
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(domain);
    url.setPath(QStringLiteral("/"));
    return url;
}

void ServiceLookup::lookUp(const QString& domain, std::function<void(QUrl)> found)
{
    auto* lookup = new QDnsLookup(QDnsLookup::SRV, serviceName(domain), this);
    connect(lookup, &QDnsLookup::finished, this, [this, lookup, domain, found] {
        lookup->deleteLater();
        std::vector<ServiceRecord> records;
        if (lookup->error() == QDnsLookup::NoError)
            for (const QDnsServiceRecord& record : lookup->serviceRecords())
                records.push_back(
                    {record.target(), record.port(), record.priority(), record.weight()});
        if (!serviceAddress(records, {}))
            return found(domainRoot(domain));
        lookUpPath(domain, records, found);
    });
    lookup->lookup();
}

void ServiceLookup::lookUpPath(const QString& domain, const std::vector<ServiceRecord>& records,
                               std::function<void(QUrl)> found)
{
    auto* lookup = new QDnsLookup(QDnsLookup::TXT, serviceName(domain), this);
    connect(lookup, &QDnsLookup::finished, this, [lookup, records, found] {
        lookup->deleteLater();
        QStringList texts;
        if (lookup->error() == QDnsLookup::NoError)
            for (const QDnsTextRecord& record : lookup->textRecords())
                for (const QByteArray& value : record.values())
                    texts << QString::fromUtf8(value);
        found(*serviceAddress(records, texts));
    });
    lookup->lookup();
}

} // namespace carddav
