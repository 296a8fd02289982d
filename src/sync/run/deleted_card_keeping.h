#pragma once

#include "store/file_system.h"
#include "sync/reconcile/reconcile.h"

#include <map>
#include <string>

namespace syncing {

// Before a sync writes what it decided (the folder held): the cards `plan` deletes from the
// server are kept for 30 days, as `last` and the fetched `texts` hold them, those kept longer
// are let go, and every new card of `plan` that is exactly a kept one goes up as that card
// (see reviveDeletedCards). Throws store::StoreError.
void keepDeletedCards(store::FileSystem& fs, const SyncState& last,
                      const std::map<std::string, std::string>& texts, Plan& plan);

} // namespace syncing
