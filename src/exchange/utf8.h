#pragma once

#include <string>
#include <string_view>

// UTF-8, the encoding of vCard 3.0 and 4.0 and of the import's report.
namespace exchange {

void appendUtf8(std::string& out, char32_t ch);
std::string toUtf8(std::u32string_view text);

// Reads UTF-8 the way files from older programs need: a byte that does not begin a valid
// sequence is taken as a Windows-1252 character, so no byte is lost; or, for text said to be
// in a character set the program does not read, as U+FFFD, a character it cannot store.
std::u32string fromUtf8(std::string_view bytes, bool strayBytesAreWindows1252 = true);

// Whether every byte belongs to a valid UTF-8 sequence.
bool isValidUtf8(std::string_view bytes);

// How many bytes the UTF-8 sequence starting with `lead` takes (1 for a stray byte).
std::size_t utf8SequenceLength(unsigned char lead);

} // namespace exchange
