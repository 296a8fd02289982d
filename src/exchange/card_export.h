#pragma once

#include "store/contact_record.h"

#include <span>
#include <string>

// vCard going out: every record as one vCard 3.0 card, in record order; UTF-8, CRLF line
// ends, lines folded at 75 octets without splitting a character.
namespace exchange {

std::string exportCards(std::span<const store::ContactRecord> records);

} // namespace exchange
