#pragma once

#include "numbers/number_comparison.h"
#include "store/contact_record.h"

#include <cstddef>
#include <span>
#include <vector>

namespace duplicates {

// The contacts of the book that are one person, as groups of two or more indices into
// `records`: each group in the order of the file, the groups in the order of their first
// contact. A contact is the same person as another when samePerson says so, or as a third
// that is.
std::vector<std::vector<std::size_t>> duplicateGroups(std::span<const store::ContactRecord> records,
                                                      const numbers::NumberComparison& numbers);

} // namespace duplicates
