#include "exchange/contact_draft.h"

#include "exchange/dialled_number.h"
#include "exchange/latin_letters.h"
#include "exchange/telephone_number.h"
#include "exchange/trimming.h"
#include "exchange/utf8.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <limits>

namespace exchange {
namespace {

// Blank to the eye: nothing but blanks, tabs and other control characters.
bool isBlank(std::u32string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char32_t ch) { return ch <= U' ' || ch == 0x7F; });
}

// From the first visible character on, so that cutting the text to a width leaves it visible.
std::u32string fromFirstVisible(std::u32string_view text)
{
    const auto visible = std::find_if(text.begin(), text.end(), [](char32_t ch) {
        return !isBlank({&ch, 1});
    });
    return std::u32string(visible, text.end());
}

std::u32string nameComponent(const std::vector<std::u32string>& components, std::size_t index)
{
    return index < components.size() ? components[index] : std::u32string();
}

std::u32string nameComponent(const Card& card, std::size_t index)
{
    return nameComponent(card.name, index);
}

std::u32string joinedNonBlank(std::initializer_list<std::u32string> parts)
{
    std::u32string joined;
    for (const std::u32string& part : parts) {
        if (isBlank(part))
            continue;
        if (!joined.empty())
            joined.push_back(U' ');
        joined += part;
    }
    return joined;
}

std::u32string firstWord(std::u32string_view text)
{
    const auto start =
        std::find_if(text.begin(), text.end(), [](char32_t ch) { return ch > U' '; });
    const auto end = std::find_if(start, text.end(), [](char32_t ch) { return ch <= U' '; });
    return std::u32string(start, end);
}

std::u32string quoted(std::u32string_view text)
{
    return U"\"" + std::u32string(text) + U"\"";
}

std::int16_t tickValue(const std::optional<std::u32string>& written, const char* field,
                       std::vector<FieldChange>& changes)
{
    if (!written)
        return 0;
    const std::string digits = toUtf8(*written);
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() ||
        value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        changes.push_back({field, toUtf8(quoted(*written)) + " is no tick value; left unticked"});
        return 0;
    }
    return static_cast<std::int16_t>(value);
}

void takeStoredNumber(const StoredFields& stored, ContactDraft& draft)
{
    draft.stored = true;
    draft.phone = stored.phone.value_or(U"");
    draft.prefix = stored.prefix.value_or(U"");
    draft.stdCode = stored.stdCode.value_or(U"");
    draft.usePrefix = tickValue(stored.usePrefix, "Use Prefix", draft.changes);
    draft.useStdCode = tickValue(stored.useStdCode, "Use STD Code", draft.changes);
}

// The preferred number, else the first cell or voice number, else the first; only numbers
// with something to dial count.
const CardTelephone* chosenTelephone(const std::vector<CardTelephone>& telephones)
{
    const CardTelephone* preferred = nullptr;
    const CardTelephone* cellOrVoice = nullptr;
    const CardTelephone* first = nullptr;
    for (const CardTelephone& telephone : telephones) {
        if (readTelephoneNumber(telephone.number).digits.empty())
            continue;
        if (telephone.preference && (!preferred || *telephone.preference < *preferred->preference))
            preferred = &telephone;
        if (telephone.cellOrVoice && !cellOrVoice)
            cellOrVoice = &telephone;
        if (!first)
            first = &telephone;
    }
    return preferred ? preferred : cellOrVoice ? cellOrVoice : first;
}

bool takeTelephone(const CardTelephone* telephone, ContactDraft& draft)
{
    if (!telephone)
        return false;
    const TelephoneNumber number = readTelephoneNumber(telephone->number);
    draft.telephone = telephone->number;
    draft.phone = number.digits;
    if (number.international) {
        draft.prefix = U"+";
        draft.usePrefix = 1;
    }
    if (!number.leftOff.empty())
        draft.changes.push_back({"Phone", toUtf8(quoted(number.leftOff)) + " left off the number"});
    return true;
}

// What a number dials, written the one way, so that a stored number and a TEL can be compared.
std::u32string dialledForm(std::u32string_view written)
{
    const TelephoneNumber number = readTelephoneNumber(written);
    return (number.international ? U"+" : U"") + number.digits;
}

std::u32string storedDialledNumber(const ContactDraft& draft)
{
    std::u32string number;
    for (const auto& [part, used] : {std::pair{&draft.prefix, draft.usePrefix == 1},
                                     {&draft.stdCode, draft.useStdCode == 1},
                                     {&draft.phone, true}}) {
        if (used)
            std::copy_if(part->begin(), part->end(), std::back_inserter(number), isDialled);
    }
    return dialledForm(number);
}

// The TEL among the card's that dials the stored number, if any.
const CardTelephone* telephoneDialling(const std::vector<CardTelephone>& telephones,
                                       std::u32string_view dialled)
{
    for (const CardTelephone& telephone : telephones) {
        if (dialledForm(telephone.number) == dialled)
            return &telephone;
    }
    return nullptr;
}

// A card this program wrote carries the number as stored; when a phone has since changed the
// card's numbers so that none dials the stored one any more, the phone's number wins.
bool takeNumber(const Card& card, ContactDraft& draft)
{
    const CardTelephone* chosen = chosenTelephone(card.telephones);
    if (!card.stored.present())
        return takeTelephone(chosen, draft);
    ContactDraft stored;
    takeStoredNumber(card.stored, stored);
    const CardTelephone* dialling = telephoneDialling(card.telephones, storedDialledNumber(stored));
    if (chosen && !dialling)
        return takeTelephone(chosen, draft);
    stored.telephone = dialling ? dialling->number : U"";
    draft = std::move(stored);
    return true;
}

// A name as the draft takes it: the card's own text or, where the file cannot hold that and
// the card says how it is read, the reading in Latin letters.
struct NamePart {
    std::u32string text;
    std::u32string reading; // what the text was written from; empty for the card's own text
};

NamePart readName(std::u32string_view name, std::u32string_view reading)
{
    if (fitsWindows1252(name) || isBlank(reading))
        return {std::u32string(name), {}};
    const std::u32string read = trimmed(reading, U" \t");
    return {readingInLatinLetters(read), read};
}

NamePart namePart(const Card& card, std::size_t index)
{
    const std::u32string reading =
        index < card.nameReading.size() ? card.nameReading[index] : std::u32string();
    return readName(nameComponent(card, index), reading);
}

// Says which reading the field was written from, if any was.
void noteReadings(const char* field, std::initializer_list<const NamePart*> parts,
                  ContactDraft& draft)
{
    std::u32string readings;
    for (const NamePart* part : parts) {
        if (!part->reading.empty())
            readings += (readings.empty() ? U"" : U" ") + part->reading;
    }
    if (!readings.empty())
        draft.changes.push_back(
            {field, "written in Latin letters from its reading " + toUtf8(quoted(readings))});
}

void takeNames(const Card& card, ContactDraft& draft)
{
    const NamePart family = namePart(card, 0);
    const NamePart given = namePart(card, 1);
    const NamePart additional = namePart(card, 2);
    // The name on the card as a whole is read in the order its words are written in Latin
    // letters, the given names first; a reading of the family name alone would lose them.
    const std::u32string givenReading = nameComponent(card.nameReading, 1);
    const NamePart formatted = readName(
        card.formattedName.value_or(U""),
        isBlank(givenReading) ? U""
                              : joinedNonBlank({givenReading, nameComponent(card.nameReading, 2),
                                                nameComponent(card.nameReading, 0)}));
    draft.familyName = family.text;
    draft.fullName = joinedNonBlank({given.text, additional.text});
    noteReadings("Full Name", {&given, &additional}, draft);
    noteReadings("Family Name", {&family}, draft);
    // A card this program wrote names the contact in N alone; its FN is made up.
    if (draft.fullName.empty() && isBlank(family.text) && !card.stored.present()) {
        draft.fullName = formatted.text;
        noteReadings("Full Name", {&formatted}, draft);
    }
    for (const NamePart& nick : {NamePart{card.nickname.value_or(U""), {}}, given,
                                 NamePart{firstWord(formatted.text), formatted.reading}, family}) {
        if (!isBlank(nick.text)) {
            draft.nick = fromFirstVisible(nick.text);
            noteReadings("Nick Name", {&nick}, draft);
            return;
        }
    }
    draft.nick = fromFirstVisible(draft.phone);
    draft.changes.push_back({"Nick Name", "no name in the card; named after the phone number"});
}

} // namespace

std::optional<ContactDraft> draftContact(const Card& card)
{
    ContactDraft draft;
    if (!takeNumber(card, draft))
        return std::nullopt;
    if (isBlank(draft.phone))
        return std::nullopt;
    takeNames(card, draft);
    draft.city = card.locality.value_or(U"");
    return draft;
}

std::u32string cardLabel(const Card& card)
{
    for (const std::u32string& name :
         {card.formattedName.value_or(U""),
          joinedNonBlank({nameComponent(card, 1), nameComponent(card, 0)}),
          card.nickname.value_or(U"")}) {
        if (!isBlank(name))
            return name;
    }
    if (!card.telephones.empty() && !isBlank(card.telephones.front().number))
        return card.telephones.front().number;
    return U"(no name)";
}

} // namespace exchange
