#pragma once

#include "numbers/number_comparison.h"
#include "store/contact_record.h"

#include <string>

// When two contacts are one person: the same nickname as stored, or the same full and family
// name (case ignored), and the same number however it is written.
namespace duplicates {

// The full and family name, trimmed and in small letters (the file's own bytes), one key for
// both; empty when both are blank, for blank names tell no one apart.
std::string namesKey(const store::ContactRecord& record);

// Both have a number and it is the same: the number Dial dials for each.
bool sameNumber(const store::ContactRecord& a, const store::ContactRecord& b,
                const numbers::NumberComparison& numbers);

bool samePerson(const store::ContactRecord& a, const store::ContactRecord& b,
                const numbers::NumberComparison& numbers);

} // namespace duplicates
