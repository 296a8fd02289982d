#include "exchange/telephone_number.h"

#include "exchange/trimming.h"

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
    number.leftOff = trimmed(written.substr(at), U" \t");
    return number;
}

} // namespace exchange
