#pragma once

#include <string>
#include <string_view>

// Two cards of one person made one on the server: what the card that stays takes from a card
// merged into it, so that no e-mail address or other number on the server is lost by a merge.
namespace exchange {

// `kept` with the properties of `merged` it lacks, added before its END: each EMAIL, TEL, ADR,
// NOTE and URL whose value `kept` does not hold already (TEL by its digits, the others with
// blanks and case aside), and PHOTO when `kept` has none. Each is copied as `merged` has it,
// without its group (item1.), folded anew; every line of `kept` stays byte for byte. Returns
// `kept` unchanged when it takes nothing.
std::string withPropertiesOf(std::string_view kept, std::string_view merged);

} // namespace exchange
