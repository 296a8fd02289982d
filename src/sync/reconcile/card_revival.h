#pragma once

#include "sync/reconcile/reconcile.h"
#include "sync/state/deleted_cards.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

// A deletion taken back after a sync sent it: the card the sync deleted comes back whole.
namespace syncing {

// The cards `plan` deletes from the server, as `last` and the cards fetched (`texts`, by href)
// hold them, deleted at `now`; a card whose text was not fetched is not kept.
std::vector<DeletedCard> cardsDeletedBy(const Plan& plan, const SyncState& last,
                                        const std::map<std::string, std::string>& texts,
                                        std::int64_t now);

// Every new card of `plan` whose record is exactly the record of a deleted card goes up as that
// card: its text, UID and href, so that what the server held beside the record's fields is
// back. Returns how many came back.
std::size_t reviveDeletedCards(Plan& plan, std::span<const DeletedCard> deleted);

} // namespace syncing
