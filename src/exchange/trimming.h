#pragma once

#include <string>
#include <string_view>

namespace exchange {

// The text without the characters of `blanks` at either end.
inline std::u32string trimmed(std::u32string_view text, std::u32string_view blanks = U" ")
{
    const auto first = text.find_first_not_of(blanks);
    if (first == std::u32string_view::npos)
        return {};
    return std::u32string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

} // namespace exchange
