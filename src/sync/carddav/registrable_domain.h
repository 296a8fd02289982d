#pragma once

#include <QString>

// Which hosts belong to one owner, by the public suffix list the system keeps up to date:
// contacts.icloud.com and p42-contacts.icloud.com are both icloud.com's, while a.co.uk and
// b.co.uk belong to two owners.
namespace carddav {

// "p42-contacts.icloud.com" -> "icloud.com"; empty for an IP address, a public suffix itself
// ("co.uk") or a name the list cannot place.
QString registrableDomain(const QString& host);

// Whether both hosts have a registrable domain and it is the same one.
bool shareRegistrableDomain(const QString& one, const QString& other);

} // namespace carddav
