#include "sync/state/merge_notes.h"

#include "sync/state/state_file.h"

#include <algorithm>
#include <unordered_map>

namespace syncing {
namespace {

// Far more than the notes of any book; a larger file is no file of notes.
constexpr std::uint64_t largestNotesFile = std::uint64_t(16) << 20;

std::string recordBytes(store::ContactRecord record)
{
    record.RecordNo = 0;
    const store::RecordBytes bytes = store::encodeRecord(record);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

std::vector<MergeNote> mergeNotes(const SyncState& state, std::span<const MergedRecords> groups)
{
    std::unordered_multimap<std::string, const Pair*> byRecord;
    for (const Pair& pair : state.pairs)
        byRecord.emplace(recordBytes(pair.record), &pair);
    const auto cardOf = [&](const store::ContactRecord& record) -> const Pair* {
        const auto found = byRecord.find(recordBytes(record));
        return found == byRecord.end() ? nullptr : found->second;
    };
    std::vector<MergeNote> notes;
    for (const MergedRecords& group : groups) {
        const Pair* kept = cardOf(group.kept);
        if (!kept)
            continue;
        for (const store::ContactRecord& record : group.merged) {
            if (const Pair* merged = cardOf(record); merged && merged != kept)
                notes.push_back({kept->href, merged->href});
        }
    }
    return notes;
}

std::string mergeNotesText(std::span<const MergeNote> notes)
{
    std::string text;
    for (const MergeNote& note : notes)
        text += note.kept + '\t' + note.merged + '\n';
    return text;
}

std::vector<MergeNote> readMergeNotes(std::string_view text)
{
    std::vector<MergeNote> notes;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            break;
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0 || tab + 1 == line.size())
            continue;
        notes.push_back({std::string(line.substr(0, tab)), std::string(line.substr(tab + 1))});
    }
    return notes;
}

std::vector<MergeNote> readMergeNotesFile(store::FileSystem& fs)
{
    const std::string text = readJournalFile(fs, MergeNotesName, largestNotesFile);
    return readMergeNotes(text);
}

void addMergeNotes(store::FileSystem& fs, std::span<const MergeNote> notes)
{
    if (notes.empty())
        return;
    const bool fresh = !fs.exists(MergeNotesName);
    auto file = fs.open(MergeNotesName, store::OpenMode::OpenOrCreate);
    const std::string text = mergeNotesText(notes);
    try {
        // Behind whole lines only: a line cut short before is written over.
        std::uint64_t at = file->length();
        std::string have(static_cast<std::size_t>(std::min(at, largestNotesFile)), '\0');
        have.resize(file->readAt(0, {reinterpret_cast<std::uint8_t*>(have.data()), have.size()}));
        at = have.rfind('\n') == std::string::npos ? 0 : have.rfind('\n') + 1;
        file->writeAt(at, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
        file->sync();
    } catch (...) {
        file->close();
        throw;
    }
    file->close();
    if (fresh)
        fs.syncDirectory(".");
}

void dropMergeNotes(store::FileSystem& fs)
{
    fs.remove(MergeNotesName);
}

void noteMergedRecords(store::FileSystem& fs, std::span<const MergedRecords> groups)
{
    if (groups.empty())
        return;
    if (const std::optional<SyncState> state = readStateFile(fs))
        addMergeNotes(fs, mergeNotes(*state, groups));
}

} // namespace syncing
