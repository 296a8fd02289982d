#pragma once

#include "store/contact_record.h"
#include "sync/reconcile/record_matching.h"

#include <optional>
#include <span>
#include <vector>

namespace syncing {

// Aligns the book now with the book the last sync wrote, as a diff aligns two texts, once the
// records unchanged byte for byte are known (`matched` and `recordTaken`, which it extends).
// The unchanged records that stand in the same order anchor the alignment. Between two
// anchors, every record now is an edit of one that stood there, for a new record goes behind
// all others: as many as before are taken in order, fewer are placed where they are most
// alike (and, in a tie, where the record was last stored). Behind the last anchor, where new
// records go, a record is an edit only where it is likely to be (Closeness::isLikely).
void alignBooks(std::span<const store::ContactRecord> records, const RememberedBook& book,
                std::vector<std::optional<std::size_t>>& matched, std::vector<bool>& recordTaken);

} // namespace syncing
