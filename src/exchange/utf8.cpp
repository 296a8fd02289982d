#include "exchange/utf8.h"

#include "store/cp1252.h"

#include <optional>

namespace exchange {

void appendUtf8(std::string& out, char32_t ch)
{
    if (ch < 0x80) {
        out.push_back(static_cast<char>(ch));
    } else if (ch < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else if (ch < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    }
}

std::string toUtf8(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t ch : text)
        appendUtf8(out, ch);
    return out;
}

std::size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 1;
}

namespace {

// The character of the sequence at `at`, or nothing when it is not valid UTF-8 (a stray
// continuation byte, a cut sequence, an overlong form, a surrogate, beyond U+10FFFF).
std::optional<char32_t> sequenceAt(std::string_view bytes, std::size_t at, std::size_t length)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (length == 1)
        return lead < 0x80 ? std::optional<char32_t>(lead) : std::nullopt;
    if (at + length > bytes.size())
        return std::nullopt;
    char32_t ch = lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[at + i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        ch = (ch << 6) | (next & 0x3F);
    }
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (ch < smallest[length] || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))
        return std::nullopt;
    return ch;
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    for (std::size_t at = 0; at < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        if (lead < 0x80) { // most of a file: no sequence to check
            ++at;
            continue;
        }
        const std::size_t length = utf8SequenceLength(lead);
        if (!sequenceAt(bytes, at, length))
            return false;
        at += length;
    }
    return true;
}

std::u32string fromUtf8(std::string_view bytes, bool strayBytesAreWindows1252)
{
    std::u32string text;
    text.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = utf8SequenceLength(static_cast<unsigned char>(bytes[at]));
        if (const auto ch = sequenceAt(bytes, at, length)) {
            text.push_back(*ch);
            at += length;
        } else {
            const auto byte = static_cast<std::uint8_t>(bytes[at]);
            text.push_back(strayBytesAreWindows1252 ? store::decodeByte(byte) : U'\uFFFD');
            ++at;
        }
    }
    return text;
}

} // namespace exchange
