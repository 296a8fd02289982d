#pragma once

#include <string>
#include <string_view>

// A spreadsheet runs a cell that begins like a formula ("=", "@", "+" or "-" before anything but
// a digit, a tab or a carriage return), which a file from elsewhere must not make it do. Such a
// cell goes out behind an apostrophe, which makes it text; reading the program's own file
// takes the apostrophe away again, so every text comes back exactly.
namespace exchange {

// Whether a spreadsheet would take the text for a formula, or the text could be mistaken for
// one that was guarded (an apostrophe before such a text).
bool needsGuard(std::string_view text);

std::string guardedCell(std::string_view text);
std::string unguardedCell(std::string_view cell);

} // namespace exchange
