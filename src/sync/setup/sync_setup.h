#pragma once

#include "store/file_system.h"
#include "sync/carddav/carddav_client.h"

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

// Which of the server's address books a set-up takes.
struct BookChoice {
    enum Kind {
        Chosen,   // `book` is the one
        MakeOne,  // the server has none: make "Contacts"
        Several,  // the server has several and none was named
        NotNamed, // the name given names none of them
    };
    Kind kind = Chosen;
    std::optional<carddav::AddressBookInfo> book;
};

// `wanted` names a book by its display name or the last part of its path.
BookChoice chooseBook(const std::vector<carddav::AddressBookInfo>& books,
                      const std::optional<QString>& wanted);

// What checking an account with the server found.
struct AccountCheck {
    // The server refused, could not be reached, or answered nonsense.
    std::optional<carddav::DavError> error;
    // Every address book the server offered (empty when it had none and one was made).
    std::vector<carddav::AddressBookInfo> books;
    // The choice among them; after MakeOne, Chosen with the book that was made.
    BookChoice choice;
};

// Finds the account's address books from `start` (the book, the user's home or the server),
// which checks the password on the way, and picks one; when the server has none, makes
// "Contacts". Calls `done` once, on the event loop. Destroying it ends the check without a
// call.
class AccountChecker : public QObject {
    Q_OBJECT
public:
    explicit AccountChecker(carddav::Credentials credentials, QObject* parent = nullptr);
    ~AccountChecker() override;

    void check(const QUrl& start, const std::optional<QString>& wanted,
               std::function<void(AccountCheck)> done);

private:
    std::unique_ptr<carddav::CardDavClient> client_;
};

// Whether `text` is a server address a set-up can start from (http or https, with a host).
bool isServerAddress(const QUrl& url);

// Remembers the address book and the user for the contacts in the working directory. The same
// book again keeps what the last sync left; another one starts afresh, pairing the contacts
// anew without duplicating them. The folder must be held.
void rememberSetUp(store::FileSystem& fs, const QString& user, const QUrl& book);

} // namespace syncing
