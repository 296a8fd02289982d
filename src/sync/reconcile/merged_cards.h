#pragma once

#include "sync/reconcile/reconcile.h"
#include "sync/state/merge_notes.h"

#include <span>
#include <string>
#include <vector>

// Contacts merged here reach the server as what they are: the kept card takes what the merged
// cards hold and it lacks, and only then are the merged cards deleted. The kept card goes up in
// one sync and the merged cards go in the next one, so that a sync cut off between the two
// never leaves the server without them: until the kept card holds what they held, they stay.
namespace syncing {

// `wanted` (what cardsToFetch named) with the cards of the notes that are on the server.
std::vector<std::string> withMergedCards(std::vector<std::string> wanted,
                                         std::span<const MergeNote> notes,
                                         const std::map<std::string, std::string>& etags);

// Amends the plan for the notes. A kept card the server has takes, from each merged card the
// plan removes, its properties (exchange::withPropertiesOf): the plan's upload of the kept card
// is patched, or one is added (If-Match its ETag); where that changes the card, the merged
// card's removal waits for the next sync. Returns whether notes remain for a later sync: a
// merged card whose removal waits.
bool carryMergedCards(Plan& plan, std::span<const MergeNote> notes, const ServerView& server);

} // namespace syncing
