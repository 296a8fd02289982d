#include "exchange/dialled_number.h"

namespace exchange {
namespace {

void appendDialled(std::string& out, std::string_view text)
{
    for (char ch : text) {
        if (isDialled(static_cast<unsigned char>(ch)))
            out.push_back(ch);
    }
}

} // namespace

std::string dialledNumber(const store::ContactRecord& record)
{
    std::string number;
    if (record.Phone.trimmed().empty())
        return number;
    if (record.UsePrefix == 1)
        appendDialled(number, record.Prefix.text());
    if (record.UseStdCode == 1)
        appendDialled(number, record.StdCode.text());
    appendDialled(number, record.Phone.text());
    return number;
}

} // namespace exchange
