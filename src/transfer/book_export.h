#pragma once

#include "store/file_system.h"

#include <cstddef>
#include <string>

// The address book out as vCard or CSV.
namespace transfer {

enum class BookFormat { VCard, Csv };

struct ExportedBook {
    std::string cards; // every contact, in record order, in the format asked for
    std::size_t contacts = 0;
};

// Reads every record of the data file, which it leaves as it is: a missing one is an empty
// book and is not created. The folder must be held.
ExportedBook exportBook(store::FileSystem& fs, BookFormat format = BookFormat::VCard);

} // namespace transfer
