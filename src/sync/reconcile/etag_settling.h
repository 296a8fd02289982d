#pragma once

#include "sync/reconcile/reconcile.h"
#include "sync/state/sync_state.h"

#include <span>
#include <string>
#include <vector>

// A server may take a card and not say what it keeps: no ETag (it repaired the card), or a
// weak one. Such a card is read back once, in the same sync, so that the next sync finds it
// unchanged rather than fetching and comparing it again.
namespace syncing {

// The hrefs of the cards the server took without a strong ETag, where it stored them.
std::vector<std::string> takenWithoutEtag(std::span<const UploadTaken> taken);

struct CardReadBack {
    std::string href;
    std::string etag;
    std::string text;
};

// A pair whose card still says what was agreed takes the card's ETag (and the UID the server
// gave it); one the server changed keeps none, so that the next sync takes the change here.
void settleEtags(SyncState& state, std::span<const CardReadBack> cards);

} // namespace syncing
