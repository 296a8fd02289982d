#pragma once

#include "exchange/content_line.h"

#include <string>
#include <string_view>
#include <vector>

// The text of a property's value: its transfer encoding (quoted-printable, base64) undone, its
// bytes read in their character set, its components split and its escapes resolved.
namespace exchange {

std::string decodeQuotedPrintable(std::string_view encoded);
std::string decodeBase64(std::string_view encoded);

// The value as characters, still escaped. UTF-8 unless CHARSET names another set.
std::u32string decodedValue(const ContentLine& line);

// Splits at every `separator` not escaped by a backslash; escapes stay as they are.
std::vector<std::u32string_view> splitEscaped(std::u32string_view text, char32_t separator);

// Resolves "\," "\;" "\:" "\\" and "\n" (or "\N", a line break); any other backslash stays.
std::u32string unescape(std::u32string_view text);

// The value's components (N, ADR), each a list of values joined by a blank and unescaped.
// `listsByComma` is false for vCard 2.1, where a comma is plain text.
std::vector<std::u32string> components(std::u32string_view value, bool listsByComma);

// The number a TEL line gives: its value decoded and unescaped, a tel: URI's scheme left off.
std::u32string telephoneValue(const ContentLine& line);

} // namespace exchange
