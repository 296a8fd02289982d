#pragma once

#include "store/contact_record.h"

#include <span>
#include <string>
#include <string_view>

// vCard going out: every record as one vCard 3.0 card, in record order; UTF-8, CRLF line
// ends, lines folded at 75 octets without splitting a character.
namespace exchange {

std::string exportCards(std::span<const store::ContactRecord> records);

// One record as a card of its own with a UID line (the UID as the server will know it), as a
// sync puts a new contact on a server: vCard 3.0, or 4.0 where `version` says so (for a book
// that takes nothing else; the lines are the same in both).
std::string exportCard(const store::ContactRecord& record, std::string_view uid,
                       std::string_view version = {});

// The card's FN, made from the escaped names, for a card that has the names in N alone.
std::string formattedName(const std::string& fullName, const std::string& familyName,
                          const std::string& nick);

// The record's number exactly as stored (X-ZARVOTH-* lines), so that a card this program
// wrote brings the contact back byte for byte.
void appendStoredNumber(std::string& out, const store::ContactRecord& record);

} // namespace exchange
