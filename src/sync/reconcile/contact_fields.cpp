#include "sync/reconcile/contact_fields.h"

#include "exchange/card.h"
#include "exchange/dialled_number.h"
#include "exchange/record_fitting.h"
#include "exchange/utf8.h"
#include "store/cp1252.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

namespace syncing {
namespace {

template <typename Record>
requires std::is_same_v<std::remove_const_t<Record>, store::ContactRecord>
auto numberOf(Record& r)
{
    return std::tie(r.Phone, r.StdCode, r.UseStdCode, r.Prefix, r.UsePrefix);
}

template <typename Card>
requires std::is_same_v<std::remove_const_t<Card>, CardFields>
auto numberOf(Card& c)
{
    return std::tie(c.phone, c.stdCode, c.useStdCode, c.prefix, c.usePrefix);
}

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

exchange::ContactDraft draftOf(const CardFields& card)
{
    exchange::ContactDraft draft;
    draft.nick = exchange::fromUtf8(card.nick);
    draft.fullName = exchange::fromUtf8(card.fullName);
    draft.familyName = exchange::fromUtf8(card.familyName);
    draft.city = exchange::fromUtf8(card.city);
    draft.phone = exchange::fromUtf8(card.phone);
    draft.stdCode = exchange::fromUtf8(card.stdCode);
    draft.prefix = exchange::fromUtf8(card.prefix);
    draft.useStdCode = card.useStdCode;
    draft.usePrefix = card.usePrefix;
    // A number read from a TEL has no blanks to keep; a stored one keeps its own.
    draft.stored = true;
    return draft;
}

CardFields fieldsOf(const exchange::ContactDraft& draft)
{
    using exchange::toUtf8;
    return {toUtf8(draft.nick),     toUtf8(draft.fullName), toUtf8(draft.familyName),
            toUtf8(draft.city),     toUtf8(draft.phone),    toUtf8(draft.stdCode),
            toUtf8(draft.prefix),   draft.useStdCode,       draft.usePrefix,
            toUtf8(draft.telephone)};
}

} // namespace

std::string fieldName(Field field)
{
    switch (field) {
    case Field::Nick:
        return "Nick Name";
    case Field::FullName:
        return "Full Name";
    case Field::FamilyName:
        return "Family Name";
    case Field::City:
        return "City";
    case Field::Number:
        break;
    }
    return "Phone";
}

bool sameField(const store::ContactRecord& a, const store::ContactRecord& b, Field field)
{
    switch (field) {
    case Field::Nick:
        return a.Nick == b.Nick;
    case Field::FullName:
        return a.FullName == b.FullName;
    case Field::FamilyName:
        return a.FamilyName == b.FamilyName;
    case Field::City:
        return a.City == b.City;
    case Field::Number:
        break;
    }
    return numberOf(a) == numberOf(b);
}

bool sameField(const CardFields& a, const CardFields& b, Field field)
{
    switch (field) {
    case Field::Nick:
        return a.nick == b.nick;
    case Field::FullName:
        return a.fullName == b.fullName;
    case Field::FamilyName:
        return a.familyName == b.familyName;
    case Field::City:
        return a.city == b.city;
    case Field::Number:
        break;
    }
    return numberOf(a) == numberOf(b);
}

void copyField(store::ContactRecord& to, const store::ContactRecord& from, Field field)
{
    switch (field) {
    case Field::Nick:
        to.Nick = from.Nick;
        return;
    case Field::FullName:
        to.FullName = from.FullName;
        return;
    case Field::FamilyName:
        to.FamilyName = from.FamilyName;
        return;
    case Field::City:
        to.City = from.City;
        return;
    case Field::Number:
        numberOf(to) = numberOf(from);
        return;
    }
}

void copyField(CardFields& to, const CardFields& from, Field field)
{
    switch (field) {
    case Field::Nick:
        to.nick = from.nick;
        return;
    case Field::FullName:
        to.fullName = from.fullName;
        return;
    case Field::FamilyName:
        to.familyName = from.familyName;
        return;
    case Field::City:
        to.city = from.city;
        return;
    case Field::Number:
        numberOf(to) = numberOf(from);
        to.telephone = from.telephone;
        return;
    }
}

std::string fieldText(const CardFields& card, Field field)
{
    switch (field) {
    case Field::Nick:
        return card.nick;
    case Field::FullName:
        return card.fullName;
    case Field::FamilyName:
        return card.familyName;
    case Field::City:
        return card.city;
    case Field::Number:
        break;
    }
    return card.telephone.empty() ? card.phone : card.telephone;
}

std::string fieldText(const store::ContactRecord& record, Field field)
{
    switch (field) {
    case Field::Nick:
        return exchange::toUtf8(store::decode(record.Nick.trimmed()));
    case Field::FullName:
        return exchange::toUtf8(store::decode(record.FullName.trimmed()));
    case Field::FamilyName:
        return exchange::toUtf8(store::decode(record.FamilyName.trimmed()));
    case Field::City:
        return exchange::toUtf8(store::decode(record.City.trimmed()));
    case Field::Number:
        break;
    }
    return exchange::dialledNumber(record);
}

bool leavesEmpty(const ServerCard& card, Field field)
{
    if (field == Field::Nick)
        return !card.statesNick;
    return card.fields && field != Field::Number && fieldText(*card.fields, field).empty();
}

std::string recordKey(const store::ContactRecord& record)
{
    const store::RecordBytes bytes = store::encodeRecord(record);
    return std::string(reinterpret_cast<const char*>(bytes.data()) + 2, bytes.size() - 2);
}

std::uint64_t recordHash(const store::ContactRecord& record)
{
    const store::RecordBytes bytes = store::encodeRecord(record);
    std::uint64_t hash = 0x243F6A8885A308D3;
    std::size_t at = 2;
    for (; at + 8 <= bytes.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + at, 8);
        hash = std::rotl((hash ^ word) * 0x9E3779B97F4A7C15, 29);
    }
    for (; at < bytes.size(); ++at)
        hash = (hash ^ bytes[at]) * 0x100000001B3;
    return hash;
}

bool sameRecord(const store::ContactRecord& a, const store::ContactRecord& b)
{
    return std::all_of(allFields.begin(), allFields.end(),
                       [&](Field field) { return sameField(a, b, field); });
}

std::string recordLabel(const store::ContactRecord& record)
{
    return quoted(exchange::toUtf8(store::decode(record.Nick.trimmed())));
}

ServerCard readServerCard(std::string_view text)
{
    ServerCard read;
    read.label = quoted("(no card)");
    bool first = true;
    exchange::readCards(text, [&](const exchange::Card& card) {
        if (!std::exchange(first, false))
            return;
        read.label = quoted(exchange::toUtf8(exchange::withoutControls(exchange::cardLabel(card))));
        read.uid = exchange::toUtf8(card.uid.value_or(U""));
        const std::u32string nick = card.nickname.value_or(U"");
        read.statesNick =
            std::any_of(nick.begin(), nick.end(), [](char32_t ch) { return ch > U' '; });
        read.notAPerson = !exchange::isIndividual(card);
        if (read.notAPerson)
            return;
        if (const std::optional<exchange::ContactDraft> draft = exchange::draftContact(card)) {
            read.fields = fieldsOf(*draft);
            read.changes = draft->changes;
        }
    });
    // A stored number of control characters is blank once fitted: no number either.
    std::vector<exchange::FieldChange> ignored;
    if (read.fields && fitCard(*read.fields, ignored).Phone.trimmed().empty())
        read.fields.reset();
    return read;
}

store::ContactRecord fitCard(const CardFields& card, std::vector<exchange::FieldChange>& changes)
{
    return exchange::fitDraft(draftOf(card), changes);
}

Field fieldOfChange(std::string_view name)
{
    for (Field field : {Field::Nick, Field::FullName, Field::FamilyName, Field::City}) {
        if (name == fieldName(field))
            return field;
    }
    return Field::Number;
}

} // namespace syncing
