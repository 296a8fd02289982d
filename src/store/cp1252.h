#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The 8-bit character set of the data file: Windows-1252. Every byte decodes to exactly one
// character (the five bytes the code page leaves unassigned map to the C1 controls of the same
// value), so every file reads, and every byte read writes back unchanged.
namespace store {

char32_t decodeByte(std::uint8_t byte);

// The byte for a character, or nothing when the set has no such character.
std::optional<std::uint8_t> encodeChar(char32_t ch);

// Characters the set cannot hold become '?', so text can always be stored.
inline constexpr char unrepresentable = '?';

std::string encodeLossy(std::u32string_view text);

// The exact bytes of a text, or nothing when a character has no byte: such a text can never
// equal anything read from the file.
std::optional<std::string> encodeExact(std::u32string_view text);

std::u32string decode(std::string_view bytes);

} // namespace store
