#pragma once

#include "store/contact_record.h"

#include <string>

// The number Dial calls for a contact.
namespace exchange {

// The digits and "+", "*" and "#" are dialled; blanks, separators and anything else are not.
constexpr bool isDialled(char32_t ch)
{
    return (ch >= U'0' && ch <= U'9') || ch == U'+' || ch == U'*' || ch == U'#';
}

// The prefix and the STD code where their boxes are ticked (1; a greyed value is no tick),
// then the phone number, each reduced to what is dialled. Empty when the phone field is blank:
// Dial then calls nothing.
std::string dialledNumber(const store::ContactRecord& record);

} // namespace exchange
