#pragma once

#include "store/store_error.h"
#include "transfer/book_import.h"

#include <string>

// The vCard files the user names: read whole before anything is imported, written whole or
// not at all.
namespace transfer {

// A file to import that is not there.
class MissingFile : public store::StoreError {
public:
    using store::StoreError::StoreError;
};

// Throws MissingFile, or StoreError when the file cannot be read.
CardFile readCardFile(const std::string& path);

// Replaces the file in one step once every byte is written, so a failure leaves the file that
// was there before. A new file is readable by its owner alone, as the contacts are.
void writeCardFile(const std::string& path, const std::string& cards);

} // namespace transfer
