#pragma once

#include "store/contact_record.h"

#include <cstdint>
#include <string>
#include <vector>

// Generated address books: unique, realistic nicknames spread over every initial (a few
// typed with a small initial, as people do), and the other fields filled the way people fill
// them. The same seed gives the same book.
std::vector<store::ContactRecord> generateAddressBook(int records, std::uint32_t seed);

// The bytes of a data file holding the records.
std::string dataFileBytes(const std::vector<store::ContactRecord>& records);

// Writes the bytes as a file and puts them on the disk.
void writeFileSynced(const std::string& path, const std::string& bytes);

// The whole file, or the empty text when it cannot be read.
std::string readWholeFile(const std::string& path);
