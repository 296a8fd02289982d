#include "transfer/book_change.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace transfer {
namespace {

std::string_view asText(const store::RecordBytes& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string trimmedNick(const store::RecordBytes& bytes)
{
    return std::string(store::trimBlanks(store::RecordView(bytes).nick()));
}

// Finds records of the book now by their bytes: first where they are expected, else, once
// other windows moved them, the nearest one elsewhere. The index of every record is made
// only when a record is not where it was left.
class RecordFinder {
public:
    explicit RecordFinder(std::span<const store::RecordBytes> now) : now_(now) {}

    // The index (from 0) of a record that holds `bytes` and that `usable` allows, nearest to
    // `expected`.
    template <typename Usable>
    std::optional<std::size_t> find(const store::RecordBytes& bytes, std::int64_t expected,
                                    Usable&& usable)
    {
        if (expected >= 0 && std::size_t(expected) < now_.size() &&
            now_[std::size_t(expected)] == bytes && usable(std::size_t(expected)))
            return std::size_t(expected);
        if (index_.empty()) {
            index_.reserve(now_.size());
            for (std::size_t i = 0; i < now_.size(); ++i)
                index_[asText(now_[i])].push_back(i);
        }
        const auto found = index_.find(asText(bytes));
        if (found == index_.end())
            return std::nullopt;
        std::optional<std::size_t> nearest;
        const auto distance = [&](std::size_t i) { return std::abs(std::int64_t(i) - expected); };
        for (const std::size_t i : found->second) {
            if (usable(i) && (!nearest || distance(i) < distance(*nearest)))
                nearest = i;
        }
        return nearest;
    }

    std::optional<std::size_t> find(const store::RecordBytes& bytes, std::int64_t expected)
    {
        return find(bytes, expected, [](std::size_t) { return true; });
    }

private:
    std::span<const store::RecordBytes> now_;
    std::unordered_map<std::string_view, std::vector<std::size_t>> index_;
};

constexpr std::size_t Unclaimed = SIZE_MAX;

// The nicknames of the records of the book now that no record of the change claims, and of
// those taken since. A few are looked up by going through the book (a deletion taken back
// brings back one); many, through an index of them all.
class NicknamesInUse {
public:
    NicknamesInUse(std::span<const store::RecordBytes> now,
                   const std::vector<std::size_t>& claimedBy)
        : now_(now), claimedBy_(claimedBy)
    {
    }

    // Takes `nick` when no other record holds it; false when one does.
    bool take(const std::string& nick)
    {
        if (++lookUps_ == IndexFrom) {
            for (std::size_t i = 0; i < now_.size(); ++i) {
                if (claimedBy_[i] == Unclaimed)
                    index_.insert(trimmedNick(now_[i]));
            }
            index_.insert(taken_.begin(), taken_.end());
        }
        if (lookUps_ >= IndexFrom)
            return index_.insert(nick).second;
        if (std::find(taken_.begin(), taken_.end(), nick) != taken_.end())
            return false;
        for (std::size_t i = 0; i < now_.size(); ++i) {
            if (claimedBy_[i] == Unclaimed &&
                store::trimBlanks(store::RecordView(now_[i]).nick()) == nick)
                return false;
        }
        taken_.push_back(nick);
        return true;
    }

private:
    static constexpr int IndexFrom = 8;
    std::span<const store::RecordBytes> now_;
    const std::vector<std::size_t>& claimedBy_;
    std::vector<std::string> taken_;
    std::unordered_set<std::string> index_;
    int lookUps_ = 0;
};

// Where a removed record goes back in `now`: the index it is put in front of. Its place when
// the records the change left around it are still there; else behind the one before it, or in
// front of the one behind it, wherever they moved; else at its place, as far as the book
// reaches.
std::size_t placeOfRemoved(const RecordChange& change, std::span<const store::RecordBytes> now,
                           RecordFinder& finder)
{
    const std::size_t expected = std::size_t(std::max(change.place, 1) - 1);
    const bool previousThere = change.previous ? expected >= 1 && expected - 1 < now.size() &&
                                                     now[expected - 1] == *change.previous
                                               : expected == 0;
    const bool nextThere = change.next ? expected < now.size() && now[expected] == *change.next
                                       : expected == now.size();
    if (previousThere && nextThere)
        return expected;
    if (change.previous) {
        if (const auto at = finder.find(*change.previous, std::int64_t(expected) - 1))
            return *at + 1;
    }
    if (change.next) {
        if (const auto at = finder.find(*change.next, std::int64_t(expected)))
            return *at;
    }
    return std::min(expected, now.size());
}

} // namespace

BookChange changeOf(std::string what, std::span<const store::RecordBytes> before,
                    std::span<const std::int32_t> removed, std::span<const Rewritten> rewritten,
                    std::span<const store::RecordBytes> appended)
{
    std::vector<std::int32_t> gone(removed.begin(), removed.end());
    std::sort(gone.begin(), gone.end());
    std::map<std::int32_t, const store::RecordBytes*> newBytes;
    for (const Rewritten& record : rewritten)
        newBytes[record.place] = &record.after;

    // The book the change left, and where each record of `before` stands in it.
    std::vector<store::RecordBytes> after;
    after.reserve(before.size() + appended.size());
    std::vector<std::int32_t> placeAfter(before.size() + 1);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const auto place = std::int32_t(i + 1);
        placeAfter[i] = std::int32_t(after.size() + 1);
        if (std::binary_search(gone.begin(), gone.end(), place))
            continue;
        const auto written = newBytes.find(place);
        after.push_back(written == newBytes.end() ? before[i] : *written->second);
    }
    after.insert(after.end(), appended.begin(), appended.end());

    BookChange change{std::move(what), {}};
    for (std::size_t i = 0; i < before.size(); ++i) {
        const auto place = std::int32_t(i + 1);
        const std::int32_t at = placeAfter[i];
        if (std::binary_search(gone.begin(), gone.end(), place)) {
            RecordChange record{before[i], std::nullopt, at, std::nullopt, std::nullopt};
            if (at > 1)
                record.previous = after[std::size_t(at - 2)];
            if (std::size_t(at) <= after.size())
                record.next = after[std::size_t(at - 1)];
            change.records.push_back(std::move(record));
        } else if (const auto written = newBytes.find(place); written != newBytes.end()) {
            if (*written->second != before[i])
                change.records.push_back({before[i], *written->second, at, {}, {}});
        }
    }
    const auto firstAppended = std::int32_t(after.size() - appended.size());
    for (std::size_t i = 0; i < appended.size(); ++i)
        change.records.push_back(
            {std::nullopt, appended[i], firstAppended + std::int32_t(i) + 1, {}, {}});
    return change;
}

BookChange additionOf(std::string what, std::int32_t countBefore,
                      std::span<const store::ContactRecord> added)
{
    BookChange change{std::move(what), {}};
    std::int32_t place = countBefore;
    for (store::ContactRecord record : added) {
        record.RecordNo = static_cast<std::int16_t>(++place);
        change.records.push_back({std::nullopt, store::encodeRecord(record), place, {}, {}});
    }
    return change;
}

UndoPlan planUndo(const BookChange& change, std::span<const store::RecordBytes> now)
{
    UndoPlan plan;
    RecordFinder finder(now);
    // Which record of the change each record now is, where it still holds what the change
    // left.
    std::vector<std::size_t> claimedBy(now.size(), Unclaimed);
    std::vector<std::optional<std::size_t>> claimed(change.records.size());
    std::vector<bool> takenBack(change.records.size(), false);
    for (std::size_t r = 0; r < change.records.size(); ++r) {
        const RecordChange& record = change.records[r];
        if (!record.after)
            continue;
        claimed[r] = finder.find(*record.after, std::int64_t(record.place) - 1,
                                 [&](std::size_t i) { return claimedBy[i] == Unclaimed; });
        if (claimed[r])
            claimedBy[*claimed[r]] = r;
        else
            plan.kept.push_back({trimmedNick(*record.after), KeptBecause::ChangedSince});
    }

    // A record brought back or written back must not give its nickname to a second contact:
    // the nicknames of the records that stay as they are, and of those that go back.
    NicknamesInUse nicks(now, claimedBy);
    std::vector<std::vector<std::size_t>> putInFrontOf(now.size() + 1);
    for (std::size_t r = 0; r < change.records.size(); ++r) {
        const RecordChange& record = change.records[r];
        if (record.after && !claimed[r])
            continue;
        if (!record.before) {
            takenBack[r] = true;
            continue;
        }
        const std::string nick = trimmedNick(*record.before);
        if (!nicks.take(nick)) {
            plan.kept.push_back({nick, KeptBecause::NicknameTaken});
            if (claimed[r]) {
                // Written back it would clash, so it stays as the change left it.
                claimedBy[*claimed[r]] = Unclaimed;
                nicks.take(trimmedNick(*record.after));
            }
            continue;
        }
        takenBack[r] = true;
        if (!record.after)
            putInFrontOf[placeOfRemoved(record, now, finder)].push_back(r);
    }

    plan.records.reserve(now.size() + change.records.size());
    const auto bringBack = [&](std::size_t at) {
        for (const std::size_t r : putInFrontOf[at]) {
            plan.records.push_back(*change.records[r].before);
            plan.shownPlace = std::int32_t(plan.records.size());
        }
    };
    // The records that stay as they are go across a run at a time: most of the book, in one
    // copy each side of what changes.
    std::size_t runStart = 0;
    const auto copyRun = [&](std::size_t end) {
        plan.records.insert(plan.records.end(), now.begin() + std::ptrdiff_t(runStart),
                            now.begin() + std::ptrdiff_t(end));
    };
    for (std::size_t i = 0; i < now.size(); ++i) {
        const std::size_t r = claimedBy[i];
        const bool staysAsItIs = (r == Unclaimed || !takenBack[r]) && putInFrontOf[i].empty();
        if (staysAsItIs)
            continue;
        copyRun(i);
        runStart = i + 1;
        bringBack(i);
        if (r == Unclaimed || !takenBack[r]) {
            plan.records.push_back(now[i]);
        } else if (change.records[r].before) {
            plan.records.push_back(*change.records[r].before);
            plan.shownPlace = std::int32_t(plan.records.size());
        }
    }
    copyRun(now.size());
    bringBack(now.size());
    plan.takenBack = std::size_t(std::count(takenBack.begin(), takenBack.end(), true));
    return plan;
}

} // namespace transfer
