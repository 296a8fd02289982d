#pragma once

#include "store/contact_record.h"

#include <cstdint>
#include <string>
#include <vector>

// Generated address books: unique, realistic nicknames spread over every initial, and the
// other fields filled the way people fill them.
std::vector<store::ContactRecord> generateAddressBook(int records, std::uint32_t seed);

// Writes the records as a data file.
void writeDataFile(const std::string& path, const std::vector<store::ContactRecord>& records);

// The nickname of record n (1-based) of a generated book, trimmed.
std::string nickOf(const std::vector<store::ContactRecord>& book, int n);
