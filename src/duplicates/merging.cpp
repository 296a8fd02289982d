#include "duplicates/merging.h"

namespace duplicates {
namespace {

template <typename Text> void fillBlank(Text& kept, const Text& other)
{
    if (kept.trimmed().empty() && !other.trimmed().empty())
        kept = other;
}

} // namespace

store::ContactRecord mergedContact(std::span<const store::ContactRecord> group)
{
    store::ContactRecord merged = group.front();
    for (const store::ContactRecord& other : group.subspan(1)) {
        fillBlank(merged.Nick, other.Nick);
        fillBlank(merged.FullName, other.FullName);
        fillBlank(merged.FamilyName, other.FamilyName);
        fillBlank(merged.City, other.City);
    }
    return merged;
}

std::vector<store::ContactRecord> membersOf(std::span<const store::ContactRecord> records,
                                            const std::vector<std::size_t>& group)
{
    std::vector<store::ContactRecord> members;
    members.reserve(group.size());
    for (std::size_t at : group)
        members.push_back(records[at]);
    return members;
}

std::vector<store::ContactRecord> mergedBook(std::span<const store::ContactRecord> records,
                                             const std::vector<std::vector<std::size_t>>& groups)
{
    std::vector<store::ContactRecord> book(records.begin(), records.end());
    std::vector<bool> removed(records.size());
    for (const std::vector<std::size_t>& group : groups) {
        book[group.front()] = mergedContact(membersOf(records, group));
        for (std::size_t at : std::span(group).subspan(1))
            removed[at] = true;
    }
    std::vector<store::ContactRecord> kept;
    kept.reserve(book.size());
    for (std::size_t at = 0; at < book.size(); ++at) {
        if (!removed[at])
            kept.push_back(book[at]);
    }
    return kept;
}

} // namespace duplicates
