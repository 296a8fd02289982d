#pragma once

#include "exchange/contact_draft.h"
#include "store/contact_record.h"
#include "sync/state/sync_state.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A contact's fields as a sync compares them, one by one, on either side.
namespace syncing {

// The number is one field: phone, STD code, prefix and their ticks go together, as they make
// the one number that is dialled.
enum class Field { Nick, FullName, FamilyName, City, Number };
inline constexpr std::array allFields{Field::Nick, Field::FullName, Field::FamilyName, Field::City,
                                      Field::Number};

// As the window names it.
std::string fieldName(Field field);

bool sameField(const store::ContactRecord& a, const store::ContactRecord& b, Field field);
// The TEL a number was taken from is left aside: a phone that writes the same number otherwise
// has not changed it.
bool sameField(const CardFields& a, const CardFields& b, Field field);
void copyField(store::ContactRecord& to, const store::ContactRecord& from, Field field);
void copyField(CardFields& to, const CardFields& from, Field field);

// The server's text of a field, for a notice (UTF-8).
std::string fieldText(const CardFields& card, Field field);
// The same of a record: its trimmed text, or the number as it is dialled.
std::string fieldText(const store::ContactRecord& record, Field field);

// The record's bytes without its RecordNo: what says that two records hold the same contact.
std::string recordKey(const store::ContactRecord& record);
// The same, hashed; and compared.
std::uint64_t recordHash(const store::ContactRecord& record);
bool sameRecord(const store::ContactRecord& a, const store::ContactRecord& b);

// How notices name a contact of the file: its nickname (UTF-8), quoted.
std::string recordLabel(const store::ContactRecord& record);

struct ServerCard {
    // None when the text holds no contact the file can store (no vCard, no number to dial).
    std::optional<CardFields> fields;
    // How notices name it (UTF-8), quoted.
    std::string label;
    std::string uid;
    // What reading the card had to change (an extension left off, a tick that is no tick).
    std::vector<exchange::FieldChange> changes;
    // Whether the card names a nickname of its own, rather than one made from its names.
    bool statesNick = false;
    // A group, an organisation or a place: never a record, never changed by a sync.
    bool notAPerson = false;
};

// Whether the card leaves the field empty: no text of its own for it.
bool leavesEmpty(const ServerCard& card, Field field);

ServerCard readServerCard(std::string_view text);

// A card's fields fitted into a record (its nickname not yet made unique), every change noted.
store::ContactRecord fitCard(const CardFields& card, std::vector<exchange::FieldChange>& changes);

// The field a change of fitting was made in.
Field fieldOfChange(std::string_view fieldName);

} // namespace syncing
