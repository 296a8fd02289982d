#pragma once

#include "exchange/contact_import.h"
#include "store/file_system.h"
#include "transfer/book_change.h"

#include <stdexcept>
#include <string>
#include <vector>

// vCard and CSV files into the address book: every contact of them behind the stored ones, or
// none.
namespace transfer {

struct CardFile {
    std::string name; // as the user named it, for messages and the summary
    std::string bytes;
    // Where the user placed the fields of a CSV file.
    std::vector<exchange::ColumnRequest> columns = {};
};

// One of the files is neither vCard nor CSV; what() is its name.
class NotContactsFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The columns of a CSV file cannot be placed; `file` is its name, `why` says what is missing.
class UnplacedColumnsFile : public std::runtime_error {
public:
    UnplacedColumnsFile(std::string file, exchange::UnplacedColumns why)
        : std::runtime_error(file), file(std::move(file)), why(std::move(why))
    {
    }
    std::string file;
    exchange::UnplacedColumns why;
};

// Reads every file first and then adds what they hold in one step, so a file that holds no
// contacts (NotContactsFile), a CSV file whose columns cannot be placed (UnplacedColumnsFile)
// or a failure of the data file (store::StoreError) adds nothing. The folder must be held.
// A contact that is the same person as a stored one is not added again; it fills that one's
// blank fields. Numbers are compared in this machine's country (numbers::localNumbers).
// Returns the import, whose summary tells what was added, known and changed; what it added and
// filled in goes to `change`, when given, for Undo to take back.
exchange::ContactImport importCards(store::FileSystem& fs, const std::vector<CardFile>& files,
                                    BookChange* change = nullptr);

} // namespace transfer
