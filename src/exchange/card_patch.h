#pragma once

#include "store/contact_record.h"

#include <string>
#include <string_view>

// Updating a card that is kept elsewhere (a server's) with a contact's fields, leaving every
// property this program does not hold as the card had it.
namespace exchange {

// Which of the contact's fields an update replaces.
struct CardUpdate {
    bool nick = false;
    // The full name and the family name: N and FN.
    bool names = false;
    bool city = false;
    // The number: the TEL it was taken from, and the stored number beside it.
    bool number = false;
    // That TEL's value as the card gives it (UTF-8, decoded and unescaped); empty when the
    // number came from no TEL, and a TEL is then added.
    std::string telephone;
};

// The first card of `text` with the properties of the updated fields replaced by the record's:
// the first NICKNAME's first item; N's family and given names (its additional names dropped,
// since the record's full name holds them) and FN; the first ADR's locality; the TEL named in
// `update` (its parameters kept) and the X-ZARVOTH-* lines. A property the card lacks is
// added before its END, and N always. Every other line stays byte for byte, folding and line ends
// included, whatever the card's version.
std::string patchCard(std::string_view text, const store::ContactRecord& record,
                      const CardUpdate& update);

} // namespace exchange
