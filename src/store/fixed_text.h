#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace store {

// Removes blanks (and only blanks) from both ends, the way every stored and typed text is
// trimmed before it is stored or compared.
constexpr std::string_view trimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// Whether a stored text, trimmed, equals `wanted`. Most stored texts of a scan differ from the
// wanted one in their first character, which settles it before anything is trimmed.
constexpr bool trimmedEquals(std::string_view stored, std::string_view wanted)
{
    const auto first = stored.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return wanted.empty();
    if (wanted.empty() || stored[first] != wanted.front())
        return false;
    return trimBlanks(stored.substr(first)) == wanted;
}

// The first character of a stored text once trimmed; the empty text for a blank one.
constexpr std::string_view firstCharacterTrimmed(std::string_view stored)
{
    const auto first = stored.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : stored.substr(first, 1);
}

// A text field of the record: always exactly Width characters of the 8-bit set. Assigning
// left-justifies the text, pads it with blanks and cuts what is longer.
template <std::size_t Width> class FixedText {
public:
    static constexpr std::size_t width = Width;

    FixedText() { bytes_.fill(' '); }
    explicit FixedText(std::string_view encoded) { assign(encoded); }

    void assign(std::string_view encoded)
    {
        bytes_.fill(' ');
        std::copy_n(encoded.begin(), std::min(encoded.size(), Width), bytes_.begin());
    }

    // All Width characters, trailing blanks included.
    std::string_view text() const { return {bytes_.data(), Width}; }
    std::string_view trimmed() const { return trimBlanks(text()); }

    char* data() { return bytes_.data(); }
    const char* data() const { return bytes_.data(); }

    friend bool operator==(const FixedText&, const FixedText&) = default;

private:
    std::array<char, Width> bytes_;
};

} // namespace store
