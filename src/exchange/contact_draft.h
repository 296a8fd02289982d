#pragma once

#include "exchange/card.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A card turned into the fields of a contact, as characters, before they are fitted into the
// record's widths and character set.
namespace exchange {

// One change made to a contact's text, for the report: the field as the window names it.
struct FieldChange {
    std::string field;
    std::string what;
};

struct ContactDraft {
    std::u32string nick, fullName, familyName, city, phone, stdCode, prefix;
    std::int16_t useStdCode = 0;
    std::int16_t usePrefix = 0;
    // Phone, prefix and STD code came as stored and keep their blanks.
    bool stored = false;
    // The TEL value the number was taken from, as the card gives it (for a stored number, the
    // TEL that dials it); empty when no TEL does. An update of the card replaces this one.
    std::u32string telephone;
    std::vector<FieldChange> changes;
};

// Nothing when the card has no phone number.
std::optional<ContactDraft> draftContact(const Card& card);

// How the report names a card's contact: the name it had in the card.
std::u32string cardLabel(const Card& card);

} // namespace exchange
