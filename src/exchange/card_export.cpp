#include "exchange/card_export.h"

#include "exchange/card_writer.h"
#include "exchange/dialled_number.h"

namespace exchange {
namespace {

// A text field as it goes out: trimmed and escaped.
template <std::size_t Width> std::string outgoing(const store::FixedText<Width>& field)
{
    return escapedText(field.trimmed());
}

// A stored number field: only the blanks that pad it are left off, so it comes back as stored.
template <std::size_t Width> std::string storedNumber(const store::FixedText<Width>& field)
{
    std::string_view text = field.text();
    text = text.substr(0, text.find_last_not_of(' ') + 1);
    return escapedText(text);
}

void appendIfPresent(std::string& out, std::string_view name, const std::string& value)
{
    if (!value.empty())
        appendFolded(out, name, value);
}

void appendCard(std::string& out, const store::ContactRecord& record, std::string_view uid,
                bool version4 = false)
{
    const std::string nick = outgoing(record.Nick);
    const std::string fullName = outgoing(record.FullName);
    const std::string familyName = outgoing(record.FamilyName);
    const std::string city = outgoing(record.City);
    out += version4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\n" : "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    if (!uid.empty())
        appendFolded(out, "UID", escapedText(uid));
    appendIfPresent(out, "NICKNAME", nick);
    appendFolded(out, "N", familyName + ";" + fullName + ";;;");
    appendFolded(out, "FN", formattedName(fullName, familyName, nick));
    if (!city.empty())
        appendFolded(out, "ADR", ";;;" + city + ";;;");
    appendIfPresent(out, "TEL;TYPE=VOICE", dialledNumber(record));
    appendStoredNumber(out, record);
    out += "END:VCARD\r\n";
}

} // namespace

std::string formattedName(const std::string& fullName, const std::string& familyName,
                          const std::string& nick)
{
    if (!fullName.empty() && !familyName.empty())
        return fullName + " " + familyName;
    if (!fullName.empty())
        return fullName;
    return familyName.empty() ? nick : familyName;
}

void appendStoredNumber(std::string& out, const store::ContactRecord& record)
{
    appendIfPresent(out, "X-ZARVOTH-PHONE", storedNumber(record.Phone));
    appendIfPresent(out, "X-ZARVOTH-PREFIX", storedNumber(record.Prefix));
    appendIfPresent(out, "X-ZARVOTH-STDCODE", storedNumber(record.StdCode));
    appendFolded(out, "X-ZARVOTH-USEPREFIX", std::to_string(record.UsePrefix));
    appendFolded(out, "X-ZARVOTH-USESTDCODE", std::to_string(record.UseStdCode));
}

std::string exportCard(const store::ContactRecord& record, std::string_view uid,
                       std::string_view version)
{
    std::string out;
    appendCard(out, record, uid, version == "4.0");
    return out;
}

std::string exportCards(std::span<const store::ContactRecord> records)
{
    std::string out;
    out.reserve(records.size() * 320);
    for (const store::ContactRecord& record : records)
        appendCard(out, record, {});
    return out;
}

} // namespace exchange
