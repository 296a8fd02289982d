#pragma once

#include "store/file_system.h"
#include "sync/carddav/carddav_client.h"
#include "sync/carddav/service_lookup.h"
#include "sync/setup/account_check.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

// Setting sync up for the address book in the working directory: the command line's
// --sync-setup and the window's set-up dialog do it the same way.
namespace syncing {

// `wanted` names a book by its display name or the last part of its path.
BookChoice chooseBook(const std::vector<carddav::AddressBookInfo>& books,
                      const std::optional<QString>& wanted);

// Finds the account's address books from `start` (the book, the user's home, the server, or
// the domain of an e-mail address: see mailDomainOf), which checks the password on the way,
// and picks one; when the server has none, makes "Contacts". Calls `done` once, on the event
// loop. Destroying it ends the check without a call.
class AccountChecker : public QObject {
    Q_OBJECT
public:
    explicit AccountChecker(carddav::Credentials credentials, QObject* parent = nullptr);
    ~AccountChecker() override;

    void check(const QUrl& start, const std::optional<QString>& wanted,
               std::function<void(AccountCheck)> done);

private:
    void discover(const QUrl& start, const std::optional<QString>& wanted,
                  std::function<void(AccountCheck)> done);

    std::unique_ptr<carddav::CardDavClient> client_;
    std::unique_ptr<carddav::ServiceLookup> lookup_;
};

} // namespace syncing
