#pragma once

#include "exchange/column_names.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the columns of a CSV file hold, read from their header names in any of the languages
// the programs write them in.
namespace exchange {

// A header name as it is compared (UTF-8): letters in any case, with or without their accents,
// blanks at either end dropped and those within it made one blank ("Téléphone  (bureau) "
// gives "telephone (bureau)").
std::string foldedHeader(std::string_view header);

// The meaning of each column of a header; nothing for a column this program does not read.
// Where programs give one name different meanings in different languages ("Apelido" is the
// family name in Portugal's Outlook, the nickname in Brazil's Thunderbird), the program and
// language whose names the header holds most of decide.
std::vector<std::optional<ColumnMeaning>> meaningsOf(const std::vector<std::string>& header);

} // namespace exchange
