#include "transfer/book_merge.h"

#include "duplicates/duplicate_groups.h"
#include "duplicates/merging.h"
#include "store/compaction.h"
#include "store/data_file.h"
#include "transfer/book_files.h"
#include "transfer/book_reading.h"

namespace transfer {

std::vector<DuplicateGroup> duplicatesIn(std::span<const store::ContactRecord> records,
                                         const numbers::NumberComparison& numbers)
{
    std::vector<DuplicateGroup> groups;
    for (const std::vector<std::size_t>& found : duplicates::duplicateGroups(records, numbers)) {
        DuplicateGroup group;
        for (std::size_t at : found)
            group.places.push_back(static_cast<std::int32_t>(at + 1));
        group.members = duplicates::membersOf(records, found);
        group.merged = duplicates::mergedContact(group.members);
        groups.push_back(std::move(group));
    }
    return groups;
}

BookMerge mergeDuplicates(store::FileSystem& fs, const numbers::NumberComparison& numbers,
                          const std::function<bool(const DuplicateGroup&)>& chosen,
                          const std::function<void(std::span<const DuplicateGroup>)>& beforeWriting)
{
    BookMerge merge;
    merge.before = readRecords(fs);
    std::vector<std::vector<std::size_t>> groups;
    for (DuplicateGroup& group : duplicatesIn(merge.before, numbers)) {
        if (chosen && !chosen(group))
            continue;
        std::vector<std::size_t> indices;
        for (std::int32_t place : group.places)
            indices.push_back(static_cast<std::size_t>(place - 1));
        groups.push_back(std::move(indices));
        merge.merged.push_back(std::move(group));
    }
    if (groups.empty())
        return merge;
    if (beforeWriting)
        beforeWriting(merge.merged);
    store::DataFile data(fs, DataFileName);
    store::DataFile scratch(fs, ImportScratchName);
    data.open();
    // The file read above, unchanged while the folder is held, is the one written anew.
    store::replaceAllOrNothing(data, scratch, duplicates::mergedBook(merge.before, groups));
    return merge;
}

BookChange changeOfMerge(std::string what, const BookMerge& merge)
{
    std::vector<store::RecordBytes> before;
    before.reserve(merge.before.size());
    for (const store::ContactRecord& record : merge.before)
        before.push_back(store::encodeRecord(record));
    std::vector<std::int32_t> removed;
    std::vector<Rewritten> rewritten;
    for (const DuplicateGroup& group : merge.merged) {
        rewritten.push_back({group.places.front(), store::encodeRecord(group.merged)});
        removed.insert(removed.end(), group.places.begin() + 1, group.places.end());
    }
    return changeOf(std::move(what), before, removed, rewritten, {});
}

} // namespace transfer
