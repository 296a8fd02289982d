#pragma once

#include <string>
#include <string_view>

// Writing vCard 3.0 lines strictly: escaped text, CRLF, folded at 75 octets.
namespace exchange {

inline constexpr std::size_t lineOctets = 75;

// A stored text as a vCard text value in UTF-8: "\", ",", ";" escaped, a line break as "\n",
// any other control character (which vCard does not allow) as a blank.
std::string escapedText(std::string_view storedBytes);

// Appends "name:value" and CRLF, folded into lines of at most 75 octets (a continuation line
// begins with a blank), never inside a UTF-8 character.
void appendFolded(std::string& out, std::string_view name, std::string_view value);

} // namespace exchange
