#include "sync/reconcile/book_alignment.h"

#include "sync/reconcile/contact_fields.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace syncing {
namespace {

// A gap between two anchors is placed cell by cell: past this many cells, its records are left
// to be told apart by what they hold alone.
constexpr std::size_t largestGap = 1'000'000;

// One record of the book the last sync wrote.
struct Slot {
    std::int32_t place = 0;
    // The contact that held it; none for a record no card held.
    std::optional<std::size_t> contact;
    std::uint64_t hash = 0;
    // Where it is now, when it is there unchanged (or already placed).
    std::optional<std::size_t> now;
};

std::vector<Slot> slotsOf(const RememberedBook& book,
                          const std::vector<std::optional<std::size_t>>& matched)
{
    std::vector<Slot> slots;
    for (std::size_t c = 0; c < book.contacts.size(); ++c) {
        if (book.contacts[c].place > 0)
            slots.push_back({book.contacts[c].place, c, 0, matched[c]});
    }
    for (const UnpairedRecord& record : book.unpaired)
        slots.push_back({record.place, std::nullopt, record.hash, std::nullopt});
    std::stable_sort(slots.begin(), slots.end(),
                     [](const Slot& a, const Slot& b) { return a.place < b.place; });
    return slots;
}

// A record no card held is found again by its hash, in order among records of the same bytes.
void findUnpaired(std::span<const store::ContactRecord> records, std::vector<Slot>& slots,
                  std::vector<bool>& recordTaken)
{
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> wanted;
    for (std::size_t s = 0; s < slots.size(); ++s) {
        if (!slots[s].contact)
            wanted[slots[s].hash].push_back(s);
    }
    if (wanted.empty())
        return;
    std::unordered_map<std::uint64_t, std::size_t> used;
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (recordTaken[r])
            continue;
        const std::uint64_t hash = recordHash(records[r]);
        const auto found = wanted.find(hash);
        if (found == wanted.end() || used[hash] == found->second.size())
            continue;
        slots[found->second[used[hash]++]].now = r;
        recordTaken[r] = true;
    }
}

// The slots found unchanged whose records still stand in the same order, the longest such
// run (patience sorting): these anchor the alignment. A record moved out of its order stays
// its contact's, but anchors nothing.
std::vector<std::size_t> anchorsOf(const std::vector<Slot>& slots)
{
    std::vector<std::size_t> found;
    for (std::size_t s = 0; s < slots.size(); ++s) {
        if (slots[s].now)
            found.push_back(s);
    }
    std::vector<std::size_t> tails;                          // index into found, per length
    std::vector<std::size_t> before(found.size(), SIZE_MAX); // the previous one in the run
    for (std::size_t i = 0; i < found.size(); ++i) {
        const std::size_t record = *slots[found[i]].now;
        const auto at = std::lower_bound(
            tails.begin(), tails.end(), record,
            [&](std::size_t t, std::size_t value) { return *slots[found[t]].now < value; });
        if (at != tails.begin())
            before[i] = *(at - 1);
        if (at == tails.end())
            tails.push_back(i);
        else
            *at = i;
    }
    std::vector<std::size_t> anchors;
    for (std::size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = before[i])
        anchors.push_back(found[i]);
    std::reverse(anchors.begin(), anchors.end());
    return anchors;
}

// The records of one gap: those of the book then that are not found, those now that are not
// taken.
struct Gap {
    std::vector<std::size_t> slots;
    std::vector<std::size_t> records;
    // Behind the last anchor, where new records go.
    bool atTheEnd = false;
};

class GapPlacer {
public:
    GapPlacer(std::span<const store::ContactRecord> records, const RememberedBook& book,
              std::vector<Slot>& slots)
        : records_(records), book_(book), slots_(slots)
    {
    }

    // Which record now each slot of the gap holds, where it holds one.
    void place(const Gap& gap)
    {
        const std::size_t k = gap.slots.size(), m = gap.records.size();
        if (k == 0 || m == 0)
            return;
        // Between anchors every record is an edit; as many as before are the same ones.
        const bool allEdits = !gap.atTheEnd && k >= m;
        if (allEdits && k == m) {
            for (std::size_t i = 0; i < k; ++i)
                slots_[gap.slots[i]].now = gap.records[i];
            return;
        }
        if ((k + 1) * (m + 1) > largestGap)
            return;
        bestAlignment(gap, allEdits);
    }

private:
    static constexpr int impossible = std::numeric_limits<int>::min() / 2;

    // What taking the record for the slot is worth; `impossible` where it may not be taken.
    // Each field in common counts; where that leaves a tie, the number the record was last
    // stored under decides: one that is not its place now names the place it was stored at
    // before a deletion moved it up.
    int worth(std::size_t slot, std::size_t record, bool allEdits) const
    {
        const Slot& s = slots_[slot];
        const bool storedThere = records_[record].RecordNo != std::int32_t(record + 1) &&
                                 records_[record].RecordNo == s.place;
        if (!s.contact)
            return allEdits ? 2 + storedThere : impossible;
        const Closeness close = closeness(records_[record], book_.contacts[*s.contact]);
        if (!allEdits && !close.isLikely())
            return impossible;
        return 2 * (1 + close.equalFields) + storedThere;
    }

    // The alignment in order that is worth the most: each slot and each record taken at most
    // once, and every record taken when all of them are edits.
    void bestAlignment(const Gap& gap, bool allEdits)
    {
        const std::size_t k = gap.slots.size(), m = gap.records.size();
        std::vector<int> best((k + 1) * (m + 1), impossible);
        const auto at = [m](std::size_t i, std::size_t j) { return i * (m + 1) + j; };
        for (std::size_t i = 0; i <= k; ++i) {
            for (std::size_t j = 0; j <= m; ++j) {
                int value = i == 0 && (j == 0 || !allEdits) ? 0 : impossible;
                if (i > 0)
                    value = std::max(value, best[at(i - 1, j)]);
                if (j > 0 && !allEdits)
                    value = std::max(value, best[at(i, j - 1)]);
                if (i > 0 && j > 0 && best[at(i - 1, j - 1)] > impossible) {
                    const int take = worth(gap.slots[i - 1], gap.records[j - 1], allEdits);
                    if (take > impossible)
                        value = std::max(value, best[at(i - 1, j - 1)] + take);
                }
                best[at(i, j)] = value;
            }
        }
        for (std::size_t i = k, j = m; i > 0 && j > 0;) {
            if (best[at(i, j)] == best[at(i - 1, j)]) {
                --i;
            } else if (!allEdits && best[at(i, j)] == best[at(i, j - 1)]) {
                --j;
            } else {
                slots_[gap.slots[i - 1]].now = gap.records[j - 1];
                --i;
                --j;
            }
        }
    }

    std::span<const store::ContactRecord> records_;
    const RememberedBook& book_;
    std::vector<Slot>& slots_;
};

std::vector<Gap> gapsBetween(const std::vector<Slot>& slots,
                             const std::vector<std::size_t>& anchors,
                             const std::vector<bool>& recordTaken)
{
    std::vector<Gap> gaps(anchors.size() + 1);
    gaps.back().atTheEnd = true;
    std::size_t gap = 0;
    for (std::size_t s = 0; s < slots.size(); ++s) {
        if (gap < anchors.size() && s == anchors[gap])
            ++gap;
        else if (!slots[s].now)
            gaps[gap].slots.push_back(s);
    }
    gap = 0;
    for (std::size_t r = 0; r < recordTaken.size(); ++r) {
        if (gap < anchors.size() && r == *slots[anchors[gap]].now)
            ++gap;
        else if (!recordTaken[r])
            gaps[gap].records.push_back(r);
    }
    return gaps;
}

} // namespace

void alignBooks(std::span<const store::ContactRecord> records, const RememberedBook& book,
                std::vector<std::optional<std::size_t>>& matched, std::vector<bool>& recordTaken)
{
    std::vector<Slot> slots = slotsOf(book, matched);
    findUnpaired(records, slots, recordTaken);
    const std::vector<std::size_t> anchors = anchorsOf(slots);
    GapPlacer placer(records, book, slots);
    for (const Gap& gap : gapsBetween(slots, anchors, recordTaken)) {
        placer.place(gap);
        for (std::size_t s : gap.slots) {
            const Slot& slot = slots[s];
            if (!slot.now)
                continue;
            recordTaken[*slot.now] = true;
            if (slot.contact)
                matched[*slot.contact] = slot.now;
        }
    }
}

} // namespace syncing
