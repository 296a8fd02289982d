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

// The same as text, not yet read. Throws store::StoreError and BadStateFile (a file too large
// to be one).
std::optional<std::string> readStateText(store::FileSystem& fs);

// The address book and the account the folder syncs with: the head alone where the last sync
// left the file settled, else the whole file read (and a damaged one told as readStateFile
// tells it).
std::optional<SyncState> readSyncAccount(store::FileSystem& fs);

// The folder must be held.
void writeStateFile(store::FileSystem& fs, const SyncState& state);
void writeStateText(store::FileSystem& fs, const std::string& text);

// A file of the sync beside the data file, read whole; throws BadStateFile when it is far
// larger than anything a sync writes.
std::string readWholeFile(store::FileSystem& fs, const std::string& name);
// A journal of the sync read whole: empty when it is missing, or larger than `largest`, which
// no journal grows to (a journal only saves work, so one that is no journal is passed over).
std::string readJournalFile(store::FileSystem& fs, const std::string& name, std::uint64_t largest);
// Replaces a file of the sync whole, through `scratch`: synced, renamed, the folder synced.
void replaceWholeFile(store::FileSystem& fs, const std::string& name, const std::string& scratch,
                      const std::string& text);

// How a damaged file of the last sync is told, in one line, by the commands and the window.
std::string damagedStateText(const BadStateFile& error);

// Forgets the set-up, what the last sync left, the cards a cut-off sync kept and the deleted
// cards kept; the contacts stay.
void removeStateFile(store::FileSystem& fs);

} // namespace syncing
