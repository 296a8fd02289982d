#include "sync/reconcile/record_matching.h"

#include "sync/reconcile/book_alignment.h"
#include "sync/reconcile/contact_fields.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace syncing {
namespace {

// Looking for an edit among many records with the same nickname or the same other fields
// would compare each with each; past this many, the rest of a bucket is left unmatched (it
// then goes as a deletion and an addition, which loses nothing of the file).
constexpr std::size_t largestBucket = 64;

// A record's fields but one, and the nickname alone: two records that agree in such a key are
// candidates for one being the other edited.
std::vector<std::string> similarityKeys(const store::ContactRecord& record)
{
    std::vector<std::string> keys;
    keys.push_back("n" + std::string(record.Nick.text()));
    for (std::size_t left = 0; left < allFields.size(); ++left) {
        store::ContactRecord masked = record;
        copyField(masked, store::ContactRecord(), allFields[left]);
        keys.push_back(std::to_string(left) + recordKey(masked));
    }
    return keys;
}

struct Candidate {
    int equalFields;
    std::size_t record;
    std::size_t contact;
};

void matchEdits(std::span<const store::ContactRecord> records,
                std::span<const RememberedContact> contacts,
                std::vector<std::optional<std::size_t>>& matched,
                const std::vector<bool>& recordTaken)
{
    std::unordered_map<std::string, std::vector<std::size_t>> byKey;
    for (std::size_t c = 0; c < contacts.size(); ++c) {
        if (matched[c])
            continue;
        for (const store::ContactRecord* variant : {contacts[c].agreed, contacts[c].fromServer}) {
            if (!variant)
                continue;
            for (std::string& key : similarityKeys(*variant)) {
                auto& bucket = byKey[std::move(key)];
                if (bucket.size() < largestBucket && (bucket.empty() || bucket.back() != c))
                    bucket.push_back(c);
            }
        }
    }
    std::vector<Candidate> candidates;
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (recordTaken[r])
            continue;
        std::unordered_set<std::size_t> seen;
        for (const std::string& key : similarityKeys(records[r])) {
            const auto found = byKey.find(key);
            if (found == byKey.end())
                continue;
            for (std::size_t c : found->second) {
                if (!seen.insert(c).second)
                    continue;
                if (const Closeness close = closeness(records[r], contacts[c]); close.isEdit())
                    candidates.push_back({close.equalFields, r, c});
            }
        }
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(b.equalFields, a.record, a.contact) <
               std::tie(a.equalFields, b.record, b.contact);
    });
    std::vector<bool> taken = recordTaken;
    for (const Candidate& candidate : candidates) {
        if (taken[candidate.record] || matched[candidate.contact])
            continue;
        taken[candidate.record] = true;
        matched[candidate.contact] = candidate.record;
    }
}

// Each record to the first contact of the same bytes not yet taken. Sorted hashes rather than
// a hash map: a file of thousands of unchanged records is matched without an allocation each.
std::vector<std::optional<std::size_t>>
matchBytes(std::span<const store::ContactRecord> records,
           std::span<const store::ContactRecord* const> agreed, std::vector<bool>& recordTaken)
{
    std::vector<std::pair<std::uint64_t, std::size_t>> byHash(agreed.size());
    for (std::size_t c = 0; c < agreed.size(); ++c)
        byHash[c] = {recordHash(*agreed[c]), c};
    std::sort(byHash.begin(), byHash.end());
    // Within a run of one hash, how many from its start are taken: identical records take
    // identical contacts one after the other.
    std::vector<std::size_t> takenInRun(byHash.size());
    std::vector<std::optional<std::size_t>> matched(agreed.size());
    recordTaken.assign(records.size(), false);
    for (std::size_t r = 0; r < records.size(); ++r) {
        const std::uint64_t hash = recordHash(records[r]);
        const auto run = std::lower_bound(byHash.begin(), byHash.end(),
                                          std::pair<std::uint64_t, std::size_t>{hash, 0});
        const std::size_t start = std::size_t(run - byHash.begin());
        for (std::size_t at = start + (start < byHash.size() ? takenInRun[start] : 0);
             at < byHash.size() && byHash[at].first == hash; ++at) {
            const std::size_t c = byHash[at].second;
            if (matched[c] || !sameRecord(records[r], *agreed[c]))
                continue;
            matched[c] = r;
            recordTaken[r] = true;
            if (at == start + takenInRun[start])
                ++takenInRun[start];
            break;
        }
    }
    return matched;
}

} // namespace

Closeness closeness(const store::ContactRecord& record, const RememberedContact& contact)
{
    Closeness result;
    for (Field field : allFields) {
        const bool equal = sameField(record, *contact.agreed, field) ||
                           (contact.fromServer && sameField(record, *contact.fromServer, field));
        result.equalFields += equal;
        if (field == Field::Nick)
            result.sameNick = equal;
    }
    return result;
}

std::vector<std::optional<std::size_t>> matchRecords(std::span<const store::ContactRecord> records,
                                                     const RememberedBook& book)
{
    std::vector<const store::ContactRecord*> agreed;
    agreed.reserve(book.contacts.size());
    for (const RememberedContact& contact : book.contacts)
        agreed.push_back(contact.agreed);
    std::vector<bool> recordTaken;
    std::vector<std::optional<std::size_t>> matched = matchBytes(records, agreed, recordTaken);
    if (book.placesKnown)
        alignBooks(records, book, matched, recordTaken);
    matchEdits(records, book.contacts, matched, recordTaken);
    return matched;
}

std::vector<bool> unmatchedByBytes(std::span<const store::ContactRecord> records,
                                   std::span<const store::ContactRecord* const> agreed)
{
    std::vector<bool> recordTaken;
    const auto matched = matchBytes(records, agreed, recordTaken);
    std::vector<bool> unmatched(matched.size());
    for (std::size_t c = 0; c < matched.size(); ++c)
        unmatched[c] = !matched[c];
    return unmatched;
}

} // namespace syncing
