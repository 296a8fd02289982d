#pragma once

#include "sync/carddav/address_book_info.h"
#include "sync/carddav/dav_error.h"

#include <optional>
#include <vector>

// What a set-up learns from the server: the command line's --sync-setup and the window's
// set-up dialog read it alike.
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

// What checking an account with the server found.
struct AccountCheck {
    // The server refused, could not be reached, or answered nonsense.
    std::optional<carddav::DavError> error;
    // Every address book the server offered (empty when it had none and one was made).
    std::vector<carddav::AddressBookInfo> books;
    // The choice among them; after MakeOne, Chosen with the book that was made.
    BookChoice choice;
};

} // namespace syncing
