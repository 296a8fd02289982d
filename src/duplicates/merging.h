#pragma once

#include "store/contact_record.h"

#include <cstddef>
#include <span>
#include <vector>

// Contacts that are one person made one.
namespace duplicates {

// The contact a group becomes, the group in the order of the file: the first contact, each of
// its blank fields filled with the first text the others hold for it. The number (phone, STD
// code, prefix and their ticks) is one field, the first contact's: the same number written in
// two ways must not be pieced together into a third that no one can dial.
store::ContactRecord mergedContact(std::span<const store::ContactRecord> group);

std::vector<store::ContactRecord> membersOf(std::span<const store::ContactRecord> records,
                                            const std::vector<std::size_t>& group);

// The book with each group merged into its first contact, which keeps its place and its
// RecordNo, and the group's other contacts removed; every other record as it was.
std::vector<store::ContactRecord> mergedBook(std::span<const store::ContactRecord> records,
                                             const std::vector<std::vector<std::size_t>>& groups);

} // namespace duplicates
