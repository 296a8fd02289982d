#include "exchange/telephone_number.h"

namespace exchange {
namespace {

bool isKept(char32_t ch)
{
    return (ch >= U'0' && ch <= U'9') || ch == U'*' || ch == U'#';
}

bool isSeparator(char32_t ch)
{
    return std::u32string_view(U" \t-./()[]+\u00A0").find(ch) != std::u32string_view::npos;
}

std::u32string trimmed(std::u32string_view text)
{
    const auto first = text.find_first_not_of(U" \t");
    if (first == std::u32string_view::npos)
        return {};
    return std::u32string(text.substr(first, text.find_last_not_of(U" \t") - first + 1));
}

} // namespace

TelephoneNumber readTelephoneNumber(std::u32string_view written)
{
    TelephoneNumber number;
    std::size_t at = 0;
    for (; at < written.size(); ++at) {
        const char32_t ch = written[at];
        if (isKept(ch))
            number.digits.push_back(ch);
        else if (ch == U'+' && number.digits.empty())
            number.international = true;
        else if (!isSeparator(ch))
            break;
    }
    number.leftOff = trimmed(written.substr(at));
    return number;
}

} // namespace exchange
