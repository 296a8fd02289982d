#pragma once

#include "store/file_system.h"
#include "sync/state/sync_state.h"

#include <cstdint>
#include <optional>
#include <string>

// A sync of a book the last sync left settled (SyncState::settledOn): while the data file is
// still the one it wrote and the server tells of no change, nothing is read beyond the state's
// head and nothing is decided.
namespace syncing {

// The hash of the data file's bytes (an empty book's when there is none). The folder must be
// held; throws store::StoreError.
std::uint64_t dataFileHash(store::FileSystem& fs);

struct RememberedText {
    // The state file, not yet read beyond its head.
    std::string text;
    // Its head, when the book is still as the last sync left it settled, and no cut-off sync
    // kept cards since.
    std::optional<SyncState> settledHead;
};

// Nothing when sync was never set up here. The folder must be held; throws store::StoreError
// and BadStateFile (a file too large to be one).
std::optional<RememberedText> readRemembered(store::FileSystem& fs);

// Once the server told of no change since the head's token, and gave `newToken`: true when the
// data file is still the one the last sync wrote (a window may have changed it meanwhile), and
// then the new token, and the cards' version this sync learnt, are kept. The folder must be
// held; throws store::StoreError.
bool keepSettled(store::FileSystem& fs, const RememberedText& remembered,
                 const std::string& newToken, const std::string& cardVersion);

} // namespace syncing
