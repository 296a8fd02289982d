#include "duplicates/duplicate_groups.h"

#include "duplicates/same_person.h"
#include "numbers/quick_key.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <unordered_map>

namespace duplicates {
namespace {

class Joined {
public:
    explicit Joined(std::size_t count) : parent_(count)
    {
        std::iota(parent_.begin(), parent_.end(), 0);
    }

    std::size_t root(std::size_t at)
    {
        while (parent_[at] != at)
            at = parent_[at] = parent_[parent_[at]];
        return at;
    }
    // The smaller index leads, so that a group's root is its first contact.
    void join(std::size_t a, std::size_t b)
    {
        a = root(a);
        b = root(b);
        if (a != b)
            parent_[std::max(a, b)] = std::min(a, b);
    }

private:
    std::vector<std::size_t> parent_;
};

// The number of each record, and its key once it was needed: reading a number by the
// numbering plans is slow, so only numbers that meet a candidate of another writing are read.
class Numbers {
public:
    Numbers(std::span<const store::ContactRecord> records,
            const numbers::NumberComparison& comparison)
        : records_(records), comparison_(comparison), keys_(records.size())
    {
    }

    const std::string& written(std::size_t at)
    {
        if (!keys_[at].written)
            keys_[at].written = numbers::recordNumber(records_[at]);
        return *keys_[at].written;
    }
    const numbers::NumberComparison& comparison() const { return comparison_; }
    const std::string& key(std::size_t at)
    {
        if (!keys_[at].key)
            keys_[at].key = comparison_.key(written(at));
        return *keys_[at].key;
    }

private:
    struct Known {
        std::optional<std::string> written;
        std::optional<std::string> key;
    };
    std::span<const store::ContactRecord> records_;
    const numbers::NumberComparison& comparison_;
    std::vector<Known> keys_;
};

// Joins the members of one candidate group (one nickname, or one name) that have one number.
void joinSameNumbers(const std::vector<std::size_t>& members, Numbers& written, Joined& joined)
{
    // Numbers written alike are alike without reading them; each other writing is read once.
    std::map<std::string, std::size_t> byWriting;
    for (std::size_t at : members) {
        if (written.written(at).empty())
            continue;
        const auto [first, fresh] = byWriting.try_emplace(written.written(at), at);
        if (!fresh)
            joined.join(first->second, at);
    }
    if (byWriting.size() < 2)
        return;
    // Then writings alike after the country's prefixes ("030 1234567", "+49 30 1234567").
    std::map<std::string, std::size_t> byQuickKey;
    std::vector<std::size_t> distinct;
    for (const auto& [writing, at] : byWriting) {
        const auto quick = numbers::quickKey(written.comparison(), writing);
        if (!quick) {
            distinct.push_back(at);
            continue;
        }
        const auto [first, fresh] = byQuickKey.try_emplace(*quick, at);
        if (fresh)
            distinct.push_back(at);
        else
            joined.join(first->second, at);
    }
    if (distinct.size() < 2)
        return;
    std::map<std::string, std::size_t> byKey;
    for (std::size_t at : distinct) {
        const std::string& key = written.key(at);
        if (key.empty())
            continue;
        const auto [first, fresh] = byKey.try_emplace(key, at);
        if (!fresh)
            joined.join(first->second, at);
    }
}

} // namespace

std::vector<std::vector<std::size_t>> duplicateGroups(std::span<const store::ContactRecord> records,
                                                      const numbers::NumberComparison& comparison)
{
    std::unordered_map<std::string, std::vector<std::size_t>> byNick, byNames;
    for (std::size_t at = 0; at < records.size(); ++at) {
        byNick[std::string(records[at].Nick.trimmed())].push_back(at);
        if (std::string names = namesKey(records[at]); !names.empty())
            byNames[std::move(names)].push_back(at);
    }
    Joined joined(records.size());
    Numbers numbers(records, comparison);
    for (const auto* candidates : {&byNick, &byNames}) {
        for (const auto& [key, members] : *candidates) {
            if (members.size() > 1)
                joinSameNumbers(members, numbers, joined);
        }
    }
    std::vector<std::vector<std::size_t>> groups;
    std::unordered_map<std::size_t, std::size_t> groupOfRoot;
    std::vector<std::size_t> sizes(records.size());
    for (std::size_t at = 0; at < records.size(); ++at)
        ++sizes[joined.root(at)];
    for (std::size_t at = 0; at < records.size(); ++at) {
        const std::size_t root = joined.root(at);
        if (sizes[root] < 2)
            continue;
        const auto [found, fresh] = groupOfRoot.try_emplace(root, groups.size());
        if (fresh)
            groups.emplace_back();
        groups[found->second].push_back(at);
    }
    return groups;
}

} // namespace duplicates
