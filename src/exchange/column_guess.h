#pragma once

#include "exchange/csv_columns.h"

#include <array>
#include <cstddef>
#include <optional>

// Where a CSV file's fields seem to be, by what its columns hold, when their header names do
// not say it.
namespace exchange {

// For a file without a phone column, the first column whose cells in the first rows all read
// as telephone numbers; without a name column, the first column of text that is neither a
// number nor an e-mail address. Columns already placed are passed over.
std::array<std::optional<std::size_t>, ContactFieldCount>
guessedColumns(const UnplacedColumns& unplaced);

} // namespace exchange
