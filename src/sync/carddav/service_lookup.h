#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

// Where the domain of an e-mail address keeps its CardDAV service: the name service's SRV
// record _carddavs._tcp.DOMAIN and the TXT record's path=, as mail and calendar clients look
// them up; else https://DOMAIN/, where discovery asks /.well-known/carddav first.
namespace carddav {

struct ServiceRecord {
    QString target;
    int port = 443;
    int priority = 0;
    int weight = 0;
};

// The service's address from its SRV records and the values of its TXT records: the record of
// the lowest priority and, among those, the greatest weight; the path a "path=" value gives,
// else the root (whose /.well-known/carddav discovery asks). Nothing when there is no record or the
// domain says it has no such service (the target ".").
std::optional<QUrl> serviceAddress(const std::vector<ServiceRecord>& records,
                                   const QStringList& texts);

// https://DOMAIN/
QUrl domainRoot(const QString& domain);

// Looks the records up with the system's resolver. Destroying it ends the look-up without a
// call back.
class ServiceLookup : public QObject {
public:
    using QObject::QObject;
    // Calls `found` once, on the event loop, with the service's address or the domain's root.
    void lookUp(const QString& domain, std::function<void(QUrl)> found);

private:
    void lookUpPath(const QString& domain, const std::vector<ServiceRecord>& records,
                    std::function<void(QUrl)> found);
};

} // namespace carddav
