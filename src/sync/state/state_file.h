#pragma once

#include "store/file_system.h"
#include "sync/state/sync_state.h"

#include <optional>
#include <string>

// The file beside the data file that holds what the last sync left, readable by its owner
// alone. It is replaced whole, as the data file is, so that a machine that stops while it is
// written leaves the old one or the new one.
namespace syncing {

inline constexpr const char* StateFileName = "syncphone";
inline constexpr const char* StateScratchName = "syncphone.new";

// Nothing when sync was never set up here. Throws store::StoreError when the file cannot be
// read, BadStateFile when it is damaged. The folder must be held.
std::optional<SyncState> readStateFile(store::FileSystem& fs);

// The folder must be held.
void writeStateFile(store::FileSystem& fs, const SyncState& state);

// How a damaged file of the last sync is told, in one line, by the commands and the window.
std::string damagedStateText(const BadStateFile& error);

// Forgets the set-up, what the last sync left and the cards a cut-off sync kept; the contacts
// stay.
void removeStateFile(store::FileSystem& fs);

} // namespace syncing
