#include "exchange/property_value.h"

#include "exchange/trimming.h"
#include "exchange/utf8.h"
#include "store/cp1252.h"

namespace exchange {
namespace {

int hexDigit(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

int base64Digit(char ch)
{
    if (ch >= 'A' && ch <= 'Z')
        return ch - 'A';
    if (ch >= 'a' && ch <= 'z')
        return ch - 'a' + 26;
    if (ch >= '0' && ch <= '9')
        return ch - '0' + 52;
    if (ch == '+' || ch == '-')
        return 62;
    if (ch == '/' || ch == '_')
        return 63;
    return -1;
}

// Latin-1 and ASCII texts are read as Windows-1252, of which they are a part in practice
// (mail programs label Windows-1252 text as ISO-8859-1).
bool isSingleByteLatin(std::string_view charset)
{
    for (std::string_view name :
         {"ISO-8859-1", "ISO8859-1", "LATIN1", "WINDOWS-1252", "CP1252", "US-ASCII", "ASCII"}) {
        if (equalsIgnoringCase(charset, name))
            return true;
    }
    return false;
}

} // namespace

std::string decodeQuotedPrintable(std::string_view encoded)
{
    std::string bytes;
    bytes.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '=' && i + 2 < encoded.size()) {
            const int high = hexDigit(encoded[i + 1]);
            const int low = hexDigit(encoded[i + 2]);
            if (high >= 0 && low >= 0) {
                bytes.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        bytes.push_back(encoded[i]);
    }
    return bytes;
}

std::string decodeBase64(std::string_view encoded)
{
    std::string bytes;
    unsigned bits = 0;
    int count = 0;
    for (char ch : encoded) {
        const int digit = base64Digit(ch);
        if (digit < 0)
            continue;
        bits = (bits << 6) | unsigned(digit);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return bytes;
}

std::u32string decodedValue(const ContentLine& line)
{
    std::string bytes;
    if (line.isQuotedPrintable())
        bytes = decodeQuotedPrintable(line.value);
    else if (line.has("ENCODING", "B") || line.has("ENCODING", "BASE64"))
        bytes = decodeBase64(line.value);
    else
        bytes = line.value;
    const std::string_view charset = line.parameter("CHARSET");
    if (isSingleByteLatin(charset))
        return store::decode(bytes);
    // UTF-8, or no character set named: a byte that is no UTF-8 is read as Windows-1252. Text
    // in another set (KOI8-R, Shift_JIS) keeps its ASCII; the rest cannot be stored.
    return fromUtf8(bytes, charset.empty() || equalsIgnoringCase(charset, "UTF-8"));
}

std::vector<std::u32string_view> splitEscaped(std::u32string_view text, char32_t separator)
{
    std::vector<std::u32string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'\\') {
            ++i;
        } else if (text[i] == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::u32string unescape(std::u32string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != U'\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char32_t next = text[++i];
        if (next == U'n' || next == U'N')
            out.push_back(U'\n');
        else if (next == U',' || next == U';' || next == U':' || next == U'\\')
            out.push_back(next);
        else
            out.append({U'\\', next});
    }
    return out;
}

std::vector<std::u32string> components(std::u32string_view value, bool listsByComma)
{
    std::vector<std::u32string> result;
    for (std::u32string_view component : splitEscaped(value, U';')) {
        std::u32string joined;
        for (std::u32string_view item :
             listsByComma ? splitEscaped(component, U',') : std::vector{component}) {
            const std::u32string text = trimmed(unescape(item));
            if (text.empty())
                continue;
            if (!joined.empty())
                joined.push_back(U' ');
            joined += text;
        }
        result.push_back(std::move(joined));
    }
    return result;
}

std::u32string telephoneValue(const ContentLine& line)
{
    std::u32string number = unescape(decodedValue(line));
    // vCard 4.0 may give the number as a tel: URI.
    const auto lower = [](char32_t ch) { return ch >= U'A' && ch <= U'Z' ? ch + 32 : ch; };
    if (number.size() >= 4 && lower(number[0]) == U't' && lower(number[1]) == U'e' &&
        lower(number[2]) == U'l' && number[3] == U':')
        number.erase(0, 4);
    return number;
}

} // namespace exchange
