#include "exchange/csv_export.h"

#include "exchange/formula_guard.h"
#include "exchange/utf8.h"
#include "store/cp1252.h"

namespace exchange {
namespace {

void appendCell(std::string& out, std::string_view utf8)
{
    out.push_back('"');
    const std::string guarded = guardedCell(utf8);
    for (char ch : guarded) {
        if (ch == '"')
            out.push_back('"');
        out.push_back(ch);
    }
    out.push_back('"');
}

void appendText(std::string& out, std::string_view stored)
{
    out.push_back(',');
    appendCell(out, toUtf8(store::decode(stored)));
}

// A stored number field: only the blanks that pad it are left off, so it comes back as stored.
template <std::size_t Width>
void appendNumber(std::string& out, const store::FixedText<Width>& field)
{
    std::string_view text = field.text();
    appendText(out, text.substr(0, text.find_last_not_of(' ') + 1));
}

void appendRow(std::string& out, const store::ContactRecord& record)
{
    appendCell(out, toUtf8(store::decode(record.Nick.trimmed())));
    appendText(out, record.FullName.trimmed());
    appendText(out, record.FamilyName.trimmed());
    appendText(out, record.City.trimmed());
    appendNumber(out, record.Phone);
    appendNumber(out, record.StdCode);
    appendText(out, std::to_string(record.UseStdCode));
    appendNumber(out, record.Prefix);
    appendText(out, std::to_string(record.UsePrefix));
    out += "\r\n";
}

} // namespace

std::string exportCsv(std::span<const store::ContactRecord> records)
{
    std::string out = "\xEF\xBB\xBF\"Nick Name\",\"Full Name\",\"Family Name\",\"City\",\"Phone\","
                      "\"STD Code\",\"Use STD Code\",\"Prefix\",\"Use Prefix\"\r\n";
    out.reserve(out.size() + records.size() * 100);
    for (const store::ContactRecord& record : records)
        appendRow(out, record);
    return out;
}

} // namespace exchange
