#pragma once

#include "store/contact_record.h"
#include "store/file_system.h"
#include "sync/state/sync_state.h"

#include <span>
#include <string>
#include <vector>

// Contacts merged here since the last sync, noted beside "syncphone" by their cards, so that
// the next sync makes the cards one as the records were made one: the kept card takes what the
// merged cards hold and it lacks (see exchange::withPropertiesOf) before they are deleted.
namespace syncing {

inline constexpr const char* MergeNotesName = "syncphone.merged";

// The card that stays and one card merged into it, by their hrefs.
struct MergeNote {
    std::string kept;
    std::string merged;

    friend bool operator==(const MergeNote&, const MergeNote&) = default;
};

// A group of records merged: the kept one as it was before, and the others.
struct MergedRecords {
    store::ContactRecord kept;
    std::vector<store::ContactRecord> merged;
};

// Of each group a merge makes one (anything with its `members` in the file's order), the first
// record kept and the others merged into it.
template <typename Groups> std::vector<MergedRecords> mergedRecordsOf(const Groups& groups)
{
    std::vector<MergedRecords> merged;
    for (const auto& group : groups)
        merged.push_back({group.members.front(), {group.members.begin() + 1, group.members.end()}});
    return merged;
}

// The notes for merged records whose cards the last sync agreed on, each record found by its
// bytes (RecordNo aside) among the pairs; a record changed since, or never synced, has no
// card to note.
std::vector<MergeNote> mergeNotes(const SyncState& state, std::span<const MergedRecords> groups);

// The file's text, one note a line ("kept<TAB>merged"), and back; a line cut short by a
// machine that stopped while it was added reads as never written.
std::string mergeNotesText(std::span<const MergeNote> notes);
std::vector<MergeNote> readMergeNotes(std::string_view text);

// The folder must be held for each. Reading a missing file gives no notes; adding puts the
// notes on the disk behind those there. Throws store::StoreError.
std::vector<MergeNote> readMergeNotesFile(store::FileSystem& fs);
void addMergeNotes(store::FileSystem& fs, std::span<const MergeNote> notes);
void dropMergeNotes(store::FileSystem& fs);

// After a merge, with the folder still held: where sync is set up, notes the merged records'
// cards for the next sync. Throws store::StoreError, or BadStateFile for a damaged
// "syncphone".
void noteMergedRecords(store::FileSystem& fs, std::span<const MergedRecords> groups);

} // namespace syncing
