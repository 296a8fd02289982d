#pragma once

#include "numbers/number_comparison.h"
#include "store/contact_record.h"
#include "store/file_system.h"
#include "transfer/book_change.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// Contacts of the address book that are one person: found, and merged in one step.
namespace transfer {

struct DuplicateGroup {
    // Their places in the data file, from 1, in its order; the first is kept.
    std::vector<std::int32_t> places;
    std::vector<store::ContactRecord> members;
    // What the first becomes (duplicates::mergedContact).
    store::ContactRecord merged;
};

std::vector<DuplicateGroup> duplicatesIn(std::span<const store::ContactRecord> records,
                                         const numbers::NumberComparison& numbers);

// What a merge changed: the groups merged, and the records before it, whole.
struct BookMerge {
    std::vector<DuplicateGroup> merged;
    std::vector<store::ContactRecord> before;
};

// Merges, of the groups the data file holds now, those `chosen` takes (all when it is empty),
// each into its first contact, the others removed: all of them or, when a step fails
// (store::StoreError), none, through a scratch file as an import is written. Nothing is
// written when nothing is merged. The folder must be held. The window asks with the groups it
// showed: a group another window has changed since is not merged. `beforeWriting` is given the
// groups to merge before the file is written (what the sync is to know of them): when it
// throws, nothing is merged.
BookMerge mergeDuplicates(
    store::FileSystem& fs, const numbers::NumberComparison& numbers,
    const std::function<bool(const DuplicateGroup&)>& chosen = {},
    const std::function<void(std::span<const DuplicateGroup>)>& beforeWriting = {});

// What a merge wrote, for Undo to take back: each group's first contact written anew, the
// others removed.
BookChange changeOfMerge(std::string what, const BookMerge& merge);

} // namespace transfer
