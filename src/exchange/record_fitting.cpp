#include "exchange/record_fitting.h"

#include "exchange/latin_letters.h"
#include "exchange/trimming.h"
#include "store/cp1252.h"

#include <algorithm>

namespace exchange {
namespace {

bool isControl(char32_t ch)
{
    return ch < U' ' || ch == 0x7F;
}

template <std::size_t Width>
void fitField(store::FixedText<Width>& field, std::u32string_view given, const char* name,
              bool trim, std::vector<FieldChange>& changes)
{
    std::u32string text = withoutControls(given);
    if (text != given)
        changes.push_back({name, "line breaks and control characters became blanks"});
    if (trim)
        text = trimmed(text);
    const LatinText latin = inWindows1252Letters(text);
    if (latin.transliterated)
        changes.push_back({name, "written in Latin letters"});
    if (latin.lost)
        changes.push_back({name, "characters Windows-1252 cannot hold became \"?\""});
    const std::string bytes = store::encodeLossy(trim ? trimmed(latin.text) : latin.text);
    if (bytes.size() > Width)
        changes.push_back({name, "cut to " + std::to_string(Width) + " characters"});
    field.assign(bytes);
}

} // namespace

std::u32string withoutControls(std::u32string_view text)
{
    std::u32string out(text);
    std::replace_if(out.begin(), out.end(), isControl, U' ');
    return out;
}

store::ContactRecord fitDraft(const ContactDraft& draft, std::vector<FieldChange>& changes)
{
    store::ContactRecord record;
    fitField(record.Nick, draft.nick, "Nick Name", true, changes);
    fitField(record.FullName, draft.fullName, "Full Name", true, changes);
    fitField(record.FamilyName, draft.familyName, "Family Name", true, changes);
    fitField(record.City, draft.city, "City", true, changes);
    fitField(record.Phone, draft.phone, "Phone", !draft.stored, changes);
    fitField(record.StdCode, draft.stdCode, "STD Code", !draft.stored, changes);
    fitField(record.Prefix, draft.prefix, "Prefix", !draft.stored, changes);
    record.UseStdCode = draft.useStdCode;
    record.UsePrefix = draft.usePrefix;
    return record;
}

} // namespace exchange
