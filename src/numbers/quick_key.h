#pragma once

#include "numbers/number_comparison.h"

#include <optional>
#include <string>
#include <string_view>

namespace numbers {

// Reading a number by the numbering plans takes tens of microseconds; most numbers that are the
// same are told without it. The quick key of a number written with nothing but digits and
// separators (and no short number): the digits behind its "+", or behind the country's trunk
// prefix with the country's code put before them. Numbers with the same quick key are the same
// number ("030 1234567" and "+49 30 1234567" in Germany); numbers whose quick keys differ may
// still be ("0049 30 1234567"), and NumberComparison::key decides them.
std::optional<std::string> quickKey(const NumberComparison& numbers, std::string_view written);

} // namespace numbers
