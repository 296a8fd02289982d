#pragma once

#include "exchange/card_import.h"
#include "store/file_system.h"

#include <stdexcept>
#include <string>
#include <vector>

// vCard files into the address book: every contact of them behind the stored ones, or none.
namespace transfer {

struct CardFile {
    std::string name; // as the user named it, for messages and the summary
    std::string bytes;
};

// One of the files holds no vCard at all; what() is its name.
class NotVCardFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads every file first and then adds what they hold in one step, so a file that is no vCard
// (NotVCardFile) or a failure of the data file (store::StoreError) adds nothing. The
// folder must be held. Returns the import, whose summary tells what was added and changed.
exchange::CardImport importCards(store::FileSystem& fs, const std::vector<CardFile>& files);

} // namespace transfer
