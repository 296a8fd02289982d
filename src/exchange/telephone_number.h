#pragma once

#include <string>
#include <string_view>

// A number as people and phones write it ("+44 (20) 7946-0018 ext. 12"), reduced to what the
// phone field holds.
namespace exchange {

struct TelephoneNumber {
    std::u32string digits;      // the digits, "*" and "#", in order
    bool international = false; // written with a leading "+"
    std::u32string leftOff;     // what followed the number (an extension), trimmed
};

// Blanks, "-", ".", "/", brackets and further "+" only set the digits apart and are dropped;
// the number ends at the first other character (a letter, ",", ";").
TelephoneNumber readTelephoneNumber(std::u32string_view written);

} // namespace exchange
