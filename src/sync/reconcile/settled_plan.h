#pragma once

#include "sync/reconcile/reconcile.h"

// Whether a sync leaves anything for the next one to decide.
namespace syncing {

// True when, once the plan's records and state are written, a sync that finds nothing changed
// on either side would decide nothing: the server gave a token, nothing goes to it, no notice
// waits to be told again, every card is known by its ETag and confirmed, and every record of
// the book is a pair's, unchanged, or one the state knows no card holds. Such a state can be
// written settled (SyncState::settledOn).
bool leavesBookSettled(const Plan& plan);

} // namespace syncing
