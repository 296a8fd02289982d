#pragma once

#include <QString>
#include <QUrl>

namespace carddav {

// One address book a CardDAV server offers.
struct AddressBookInfo {
    QUrl url;
    QString displayName;
    // The last part of the path, for --book.
    QString pathName;
};

} // namespace carddav
