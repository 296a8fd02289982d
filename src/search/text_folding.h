#pragma once

#include <QStringView>

#include <cstddef>
#include <string>
#include <string_view>

// Text as a search compares it: lower case, without accents, every letter in its plainest
// Latin form, so that "muller", "Müller" and "MÜLLER" find one another, "soren" finds
// "Søren" and "strasse" finds "Straße". The result is UTF-8.
namespace search {

// What a person typed, folded. Blanks and control characters become one blank each.
std::string foldTyped(QStringView text);

// Stored text (bytes of the file's Windows-1252) folded and added to `out`, byte for byte
// through a table made once, as a scan of every record needs.
void appendFoldedStored(std::string& out, std::string_view stored);

// The most bytes one stored byte folds to.
inline constexpr std::size_t MostFoldedBytes = 8;
// The same written at `out`, which has room for MostFoldedBytes for every stored byte; returns
// where the folded text ends.
char* foldStoredInto(std::string_view stored, char* out);

} // namespace search
