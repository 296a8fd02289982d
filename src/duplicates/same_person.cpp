#include "duplicates/same_person.h"

#include <cstdint>

namespace duplicates {
namespace {

// The small letter of a Windows-1252 byte: A-Z, the accented capitals (not the multiplication
// sign), and the four capitals of the code page's own row.
char smallLetter(char ch)
{
    const auto byte = static_cast<std::uint8_t>(ch);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7))
        return static_cast<char>(byte + 0x20);
    switch (byte) {
    case 0x8A: // S with caron
    case 0x8C: // OE
    case 0x8E: // Z with caron
        return static_cast<char>(byte + 0x10);
    case 0x9F: // Y with diaeresis
        return static_cast<char>(0xFF);
    default:
        return ch;
    }
}

void appendFolded(std::string& out, std::string_view text)
{
    for (char ch : text)
        out.push_back(smallLetter(ch));
}

} // namespace

std::string namesKey(const store::ContactRecord& record)
{
    const std::string_view full = record.FullName.trimmed();
    const std::string_view family = record.FamilyName.trimmed();
    std::string key;
    if (full.empty() && family.empty())
        return key;
    appendFolded(key, full);
    key.push_back('\0');
    appendFolded(key, family);
    return key;
}

bool sameNumber(const store::ContactRecord& a, const store::ContactRecord& b,
                const numbers::NumberComparison& numbers)
{
    return numbers.same(numbers::recordNumber(a), numbers::recordNumber(b));
}

bool samePerson(const store::ContactRecord& a, const store::ContactRecord& b,
                const numbers::NumberComparison& numbers)
{
    const bool sameNick = a.Nick.trimmed() == b.Nick.trimmed();
    const std::string names = namesKey(a);
    return (sameNick || (!names.empty() && names == namesKey(b))) && sameNumber(a, b, numbers);
}

} // namespace duplicates
