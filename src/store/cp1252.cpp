#include "store/cp1252.h"

#include <array>

namespace store {
namespace {

// Characters of the bytes 0x80 to 0x9F; the unassigned bytes keep their own value.
constexpr std::array<char32_t, 32> upperControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char32_t decodeByte(std::uint8_t byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return upperControls[byte - 0x80];
    return byte;
}

std::optional<std::uint8_t> encodeChar(char32_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<std::uint8_t>(ch);
    for (std::size_t i = 0; i < upperControls.size(); ++i) {
        if (upperControls[i] == ch)
            return static_cast<std::uint8_t>(0x80 + i);
    }
    return std::nullopt;
}

std::string encodeLossy(std::u32string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (char32_t ch : text)
        bytes.push_back(static_cast<char>(encodeChar(ch).value_or(unrepresentable)));
    return bytes;
}

std::optional<std::string> encodeExact(std::u32string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (char32_t ch : text) {
        const auto byte = encodeChar(ch);
        if (!byte)
            return std::nullopt;
        bytes.push_back(static_cast<char>(*byte));
    }
    return bytes;
}

std::u32string decode(std::string_view bytes)
{
    std::u32string text;
    text.reserve(bytes.size());
    for (char byte : bytes)
        text.push_back(decodeByte(static_cast<std::uint8_t>(byte)));
    return text;
}

} // namespace store
