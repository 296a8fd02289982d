#include "sync/reconcile/reconcile.h"

#include "duplicates/same_person.h"
#include "exchange/dialled_number.h"
#include "exchange/record_fitting.h"
#include "exchange/utf8.h"
#include "sync/reconcile/contact_fields.h"
#include "sync/reconcile/plan_builder.h"
#include "sync/reconcile/record_matching.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace syncing {
namespace {

enum class ServerStatus {
    Same,       // the card says what was agreed
    Changed,    // the card says something else
    Gone,       // no such card on the server
    NoContact,  // a card that holds no number any more, or no vCard
    NotAPerson, // a card that is now a group's, an organisation's or a place's
    Unknown,    // changed, but its text was not fetched: left for the next sync
};

using Listed = std::map<std::string, std::string>::value_type;

// Each pair's card in the server's list, looked up once; and which cards of the list a pair
// names, without a hash set of every href.
class Listing {
public:
    Listing(const SyncState& last, const std::map<std::string, std::string>& etags)
    {
        ofPair_.reserve(last.pairs.size());
        named_.reserve(last.pairs.size());
        for (const Pair& pair : last.pairs) {
            const auto found = etags.find(pair.href);
            ofPair_.push_back(found == etags.end() ? nullptr : &*found);
            if (found != etags.end())
                named_.push_back(&*found);
        }
        std::sort(named_.begin(), named_.end(), std::less<>());
    }

    const Listed* ofPair(std::size_t p) const { return ofPair_[p]; }
    bool named(const Listed& entry) const
    {
        return std::binary_search(named_.begin(), named_.end(), &entry, std::less<>());
    }

private:
    std::vector<const Listed*> ofPair_;
    std::vector<const Listed*> named_;
};

// A paired contact's card as the server has it now.
// Small where nothing changed: a book of thousands of contacts has one of these each.
struct ServerSide {
    ServerStatus status = ServerStatus::Unknown;
    std::string_view listedEtag;
    const std::string* text = nullptr;
    // Read when its ETag changed.
    std::unique_ptr<ServerCard> card;
    // Its fields fitted, where they changed.
    std::unique_ptr<store::ContactRecord> fitted;

    std::string etag() const { return std::string(listedEtag); }

    // What the card says now: the agreement's fields where the card was not read.
    const CardFields& fields(const Pair& pair) const
    {
        return card && card->fields ? *card->fields : pair.card;
    }
    const std::string& label() const { return card->label; }
};

ServerSide serverSide(const Pair& pair, const Listed* listed, const ServerView& server)
{
    ServerSide side;
    if (!listed) {
        side.status = ServerStatus::Gone;
        return side;
    }
    side.status = ServerStatus::Same;
    side.listedEtag = listed->second;
    if (const auto fetched = server.cards.find(pair.href); fetched != server.cards.end())
        side.text = &fetched->second;
    if (!pair.etag.empty() && side.listedEtag == pair.etag)
        return side;
    if (!side.text) {
        side.status = ServerStatus::Unknown;
        return side;
    }
    side.card = std::make_unique<ServerCard>(readServerCard(*side.text));
    if (side.card->notAPerson) {
        side.status = ServerStatus::NotAPerson;
        return side;
    }
    if (!side.card->fields) {
        side.status = ServerStatus::NoContact;
        return side;
    }
    const CardFields& now = *side.card->fields;
    const bool changed = std::any_of(allFields.begin(), allFields.end(), [&](Field field) {
        return !sameField(now, pair.card, field);
    });
    if (changed) {
        side.status = ServerStatus::Changed;
        std::vector<exchange::FieldChange> ignored;
        side.fitted = std::make_unique<store::ContactRecord>(fitCard(now, ignored));
    }
    return side;
}

// A text as one line of a notice.
std::string oneLine(const std::string& text)
{
    return exchange::toUtf8(exchange::withoutControls(exchange::fromUtf8(text)));
}

std::string conflictNotice(const store::ContactRecord& record, Field field,
                           const CardFields& server)
{
    return recordLabel(record) + ": " + fieldName(field) +
           ": changed on both sides; this machine's value kept, the server's \"" +
           oneLine(fieldText(server, field)) + "\" replaced";
}

// A field of a first meeting where the server's text was taken, and what this machine had.
std::string takenNotice(const store::ContactRecord& now, Field field,
                        const store::ContactRecord& before)
{
    const std::string had = oneLine(fieldText(before, field));
    return recordLabel(now) + ": " + fieldName(field) + ": the server's \"" +
           oneLine(fieldText(now, field)) + "\" taken; this machine had " +
           (had.empty() ? std::string("it empty") : "\"" + had + "\"");
}

store::ContactRecord numberless(store::ContactRecord record)
{
    record.RecordNo = 0;
    return record;
}

// A card on the server that no pair holds.
struct Newcomer {
    std::string href;
    std::string etag;
    const std::string* text;
    ServerCard card;
    store::ContactRecord fitted;
    bool taken = false;
};

class Reconciler {
public:
    Reconciler(SyncState last, std::span<const store::ContactRecord> records,
               const ServerView& server, const UidSource& newUid, const HrefForUid& hrefFor)
        : last_(std::move(last)), records_(records), server_(server), listing_(last_, server.etags),
          builder_(last_, records, newUid, hrefFor), paired_(records.size())
    {
    }

    Plan run()
    {
        std::vector<RememberedContact> remembered;
        remembered.reserve(last_.pairs.size());
        sides_.reserve(last_.pairs.size());
        for (std::size_t p = 0; p < last_.pairs.size(); ++p) {
            const Pair& pair = last_.pairs[p];
            sides_.push_back(serverSide(pair, listing_.ofPair(p), server_));
            remembered.push_back({&pair.record, sides_.back().fitted.get(), pair.place});
        }
        const std::vector<std::optional<std::size_t>> matched =
            matchRecords(records_, RememberedBook{remembered, last_.unpaired, last_.placesKnown});
        for (std::size_t p = 0; p < last_.pairs.size(); ++p) {
            if (matched[p])
                paired_[*matched[p]] = true;
            decide(last_.pairs[p], sides_[p], matched[p]);
        }
        readNewcomers();
        meetNewcomers();
        return builder_.finish();
    }

private:
    void decide(Pair& pair, const ServerSide& side, std::optional<std::size_t> local)
    {
        switch (side.status) {
        case ServerStatus::Unknown:
            return builder_.keep(pair, local);
        case ServerStatus::Gone:
            return goneThere(pair, local);
        case ServerStatus::NoContact:
            return noContactThere(pair, side, local);
        case ServerStatus::NotAPerson:
            return notAPersonThere(pair, side, local);
        case ServerStatus::Same:
        case ServerStatus::Changed:
            break;
        }
        if (!local)
            return deletedHere(pair, side);
        merge(pair, side, *local);
    }

    void goneThere(const Pair& pair, std::optional<std::size_t> local)
    {
        if (!local)
            return;
        const store::ContactRecord& record = records_[*local];
        // A card whose upload was cut off is not where it was sent: never stored, or stored
        // under a name the server chose, which the answer that was lost would have told. It
        // meets the server's new cards first, and goes up again only when none is it.
        if (!pair.confirmed) {
            paired_[*local] = false;
            uploadAgain_.emplace(*local, &pair);
            return;
        }
        if (sameRecord(record, pair.record))
            return builder_.removeRecord(*local);
        builder_.notice(recordLabel(record) +
                        ": deleted on the server and changed here; put back on the server");
        builder_.uploadNew(*local);
    }

    void noContactThere(const Pair& pair, const ServerSide& side, std::optional<std::size_t> local)
    {
        const std::string& label = side.label();
        if (!local) {
            builder_.passOver(pair.href, side.etag());
            return builder_.notice(label + ": left out, no phone number");
        }
        const store::ContactRecord& record = records_[*local];
        if (sameRecord(record, pair.record)) {
            builder_.passOver(pair.href, side.etag());
            builder_.removeRecord(*local);
            return builder_.notice(label +
                                   ": no phone number on the server any more; removed here");
        }
        builder_.notice(recordLabel(record) + ": the server's card lost its phone number and the " +
                        "contact was changed here; put back on the server");
        CardFields none;
        builder_.uploadUpdate(*local, {allFields.begin(), allFields.end()}, *side.text, side.etag(),
                              pair, none);
    }

    // The contact's card now stands for a group, an organisation or a place: the person is
    // gone from the server, and the card is no longer this program's to change.
    void notAPersonThere(const Pair& pair, const ServerSide& side, std::optional<std::size_t> local)
    {
        builder_.passOver(pair.href, side.etag());
        if (!local)
            return;
        const store::ContactRecord& record = records_[*local];
        if (sameRecord(record, pair.record)) {
            builder_.removeRecord(*local);
            return builder_.notice(recordLabel(record) +
                                   ": no longer a person's card on the server; removed here");
        }
        builder_.notice(recordLabel(record) + ": its card on the server is no longer a " +
                        "person's and the contact was changed here; put on the server anew");
        builder_.uploadNew(*local);
    }

    void deletedHere(const Pair& pair, const ServerSide& side)
    {
        if (side.status == ServerStatus::Same)
            return builder_.remove(pair, side.etag());
        if (builder_.bookIsFull()) {
            builder_.notice(side.label() + ": left out, the book is full");
            return builder_.keep(pair);
        }
        builder_.notice(side.label() + ": deleted here and changed on the server; put back here");
        builder_.appendRecord(side.fields(pair), *side.card, pair.uid, pair.href, side.etag());
    }

    // Field by field against what both sides last agreed on: a field changed on one side goes
    // to the other; changed on both to different values, this machine's value wins.
    void merge(Pair& pair, const ServerSide& side, std::size_t local)
    {
        const store::ContactRecord& record = records_[local];
        std::vector<Field> taken, up, agreedAgain;
        for (Field field : allFields) {
            const bool here = !sameField(record, pair.record, field);
            const bool there = side.fitted && !sameField(side.fields(pair), pair.card, field);
            if (!here && there)
                taken.push_back(field);
            else if (here && there && sameField(record, *side.fitted, field))
                agreedAgain.push_back(field);
            else if (here)
                up.push_back(field);
            if (here && there && !sameField(record, *side.fitted, field))
                builder_.notice(conflictNotice(record, field, side.fields(pair)));
        }
        const store::ContactRecord& merged =
            taken.empty() ? record : builder_.rewriteRecord(local, taken, *side.card);
        if (up.empty()) {
            // Most contacts of most syncs: the pair moves on, with what the server says now.
            if (side.card && side.card->fields)
                pair.card = *side.card->fields;
            pair.etag = side.etag();
            pair.confirmed = true;
            pair.record = numberless(merged);
            return builder_.keep(std::move(pair), local);
        }
        if (!side.text)
            return builder_.keep(pair, local);
        // Until the server has taken the update, the state holds what both sides agree on
        // already, so that a sync cut off here finds only the update still to do.
        Pair agreed = pair;
        agreed.confirmed = true;
        taken.insert(taken.end(), agreedAgain.begin(), agreedAgain.end());
        for (Field field : taken) {
            copyField(agreed.record, merged, field);
            copyField(agreed.card, side.fields(pair), field);
        }
        builder_.uploadUpdate(local, up, *side.text, side.etag(), agreed, side.fields(pair));
    }

    void readNewcomers()
    {
        std::unordered_map<std::string_view, std::string_view> passedOver;
        for (const PassedOverCard& card : last_.passedOver)
            passedOver.emplace(card.href, card.etag);
        for (const Listed& entry : server_.etags) {
            if (listing_.named(entry))
                continue;
            const auto& [href, etag] = entry;
            if (const auto passed = passedOver.find(href);
                passed != passedOver.end() && passed->second == etag) {
                builder_.passOver(href, etag);
                continue;
            }
            const auto fetched = server_.cards.find(href);
            if (fetched == server_.cards.end())
                continue;
            ServerCard card = readServerCard(fetched->second);
            // A group (iCloud keeps its groups as cards) is not a contact left out: nothing
            // to tell, and remembered so that it is fetched again only when it changes.
            if (card.notAPerson) {
                builder_.passOver(href, etag);
                continue;
            }
            if (!card.fields) {
                builder_.passOver(href, etag);
                builder_.notice(card.label + ": left out, no phone number");
                continue;
            }
            std::vector<exchange::FieldChange> ignored;
            const store::ContactRecord fitted = fitCard(*card.fields, ignored);
            newcomers_.push_back({href, etag, &fetched->second, std::move(card), fitted});
        }
    }

    // A record and a card that no pair holds are the same person when they have the same
    // nickname, or the same names (case ignored) and number (however it is written): paired,
    // not duplicated.
    void meetNewcomers()
    {
        std::unordered_multimap<std::string, std::size_t> byNick, byNamesAndNumber;
        for (std::size_t n = 0; n < newcomers_.size(); ++n) {
            byNick.emplace(newcomers_[n].fitted.Nick.trimmed(), n);
            byNamesAndNumber.emplace(namesKey(newcomers_[n].fitted), n);
        }
        for (std::size_t r = 0; r < records_.size(); ++r) {
            if (paired_[r])
                continue;
            if (records_[r].Phone.trimmed().empty()) {
                builder_.notice(recordLabel(records_[r]) +
                                ": kept here only, no phone number to put on the server");
                continue;
            }
            Newcomer* same = free(byNick, std::string(records_[r].Nick.trimmed()));
            if (!same)
                same = free(byNamesAndNumber, namesKey(records_[r]), &records_[r]);
            const auto again = uploadAgain_.find(r);
            if (same)
                meet(r, *same);
            else
                builder_.uploadNew(r, again == uploadAgain_.end() ? nullptr : again->second);
        }
        for (Newcomer& newcomer : newcomers_) {
            if (newcomer.taken)
                continue;
            if (builder_.bookIsFull()) {
                builder_.notice(newcomer.card.label + ": left out, the book is full");
                continue;
            }
            const std::string uid = newcomer.card.uid;
            builder_.appendRecord(*newcomer.card.fields, newcomer.card, uid, newcomer.href,
                                  newcomer.etag);
        }
    }

    // The names, case aside; where both are blank, the number as it is dialled, so that
    // thousands of contacts without names are not all compared with each other.
    static std::string namesKey(const store::ContactRecord& record)
    {
        const std::string names = duplicates::namesKey(record);
        return names.empty() ? std::string(1, '\0') + exchange::dialledNumber(record) : names;
    }

    // The first newcomer of `key` not yet taken; with `sameNumberAs`, the first whose number is
    // that record's.
    Newcomer* free(const std::unordered_multimap<std::string, std::size_t>& index,
                   const std::string& key, const store::ContactRecord* sameNumberAs = nullptr)
    {
        auto [first, last] = index.equal_range(key);
        Newcomer* found = nullptr;
        for (; first != last; ++first) {
            Newcomer& candidate = newcomers_[first->second];
            if (candidate.taken || (found && &candidate > found))
                continue;
            if (!sameNumberAs ||
                duplicates::sameNumber(*sameNumberAs, candidate.fitted, numbers::localNumbers()))
                found = &candidate;
        }
        return found;
    }

    // The first meeting of a record and its card: nothing was agreed yet, so nothing says
    // which is newer. The server's text, which every other device has already, is taken, and
    // what this machine had is listed; a field the card leaves empty keeps this machine's text,
    // which goes up to fill it. Nothing on the server is rolled back, nothing here lost from
    // sight.
    void meet(std::size_t local, Newcomer& newcomer)
    {
        newcomer.taken = true;
        const store::ContactRecord before = records_[local];
        std::vector<Field> taken, up;
        for (Field field : allFields) {
            if (sameField(before, newcomer.fitted, field))
                continue;
            (leavesEmpty(newcomer.card, field) ? up : taken).push_back(field);
        }
        const store::ContactRecord& merged =
            taken.empty() ? builder_.record(local)
                          : builder_.rewriteRecord(local, taken, newcomer.card);
        for (Field field : taken)
            builder_.notice(takenNotice(merged, field, before));
        const CardFields& fields = *newcomer.card.fields;
        Pair agreed{newcomer.card.uid,  newcomer.href, newcomer.etag, true,
                    numberless(merged), fields};
        if (up.empty())
            return builder_.keep(std::move(agreed), local);
        for (Field field : up)
            copyField(agreed.record, newcomer.fitted, field);
        builder_.uploadUpdate(local, up, *newcomer.text, newcomer.etag, agreed, fields);
    }

    SyncState last_;
    std::span<const store::ContactRecord> records_;
    const ServerView& server_;
    Listing listing_;
    PlanBuilder builder_;
    std::vector<ServerSide> sides_;
    std::vector<bool> paired_;
    std::vector<Newcomer> newcomers_;
    // Records whose card's upload was cut off, by index, and the pair that sent it.
    std::unordered_map<std::size_t, const Pair*> uploadAgain_;
};

} // namespace

std::vector<std::string> cardsToFetch(const SyncState& last,
                                      std::span<const store::ContactRecord> records,
                                      const std::map<std::string, std::string>& etags)
{
    // A contact changed here needs its card's text, whose other properties the update keeps.
    std::vector<const store::ContactRecord*> agreed;
    agreed.reserve(last.pairs.size());
    for (const Pair& pair : last.pairs)
        agreed.push_back(&pair.record);
    const std::vector<bool> changedHere = unmatchedByBytes(records, agreed);
    const Listing listing(last, etags);
    std::vector<const Listed*> wanted;
    for (std::size_t p = 0; p < last.pairs.size(); ++p) {
        const Listed* listed = listing.ofPair(p);
        if (listed &&
            (changedHere[p] || last.pairs[p].etag.empty() || last.pairs[p].etag != listed->second))
            wanted.push_back(listed);
    }
    std::unordered_map<std::string_view, std::string_view> passedOver;
    for (const PassedOverCard& card : last.passedOver)
        passedOver.emplace(card.href, card.etag);
    for (const Listed& entry : etags) {
        if (listing.named(entry))
            continue;
        const auto passed = passedOver.find(entry.first);
        if (passed == passedOver.end() || passed->second.empty() || passed->second != entry.second)
            wanted.push_back(&entry);
    }
    std::sort(wanted.begin(), wanted.end(),
              [](const Listed* a, const Listed* b) { return a->first < b->first; });
    std::vector<std::string> hrefs;
    hrefs.reserve(wanted.size());
    for (const Listed* entry : wanted)
        hrefs.push_back(entry->first);
    return hrefs;
}

Plan reconcile(SyncState last, std::span<const store::ContactRecord> records,
               const ServerView& server, const UidSource& newUid, const HrefForUid& hrefFor)
{
    return Reconciler(std::move(last), records, server, newUid, hrefFor).run();
}

void confirmUpload(SyncState& state, const Upload& upload, const std::string& etag)
{
    for (Pair& pair : state.pairs) {
        if (pair.href == upload.href) {
            pair = {upload.uid, upload.href, etag, true, upload.record, upload.card, pair.place};
            return;
        }
    }
    state.pairs.push_back({upload.uid, upload.href, etag, true, upload.record, upload.card});
}

void confirmTaken(SyncState& state, std::span<const UploadTaken> uploads,
                  std::span<const Removal* const> removals)
{
    std::unordered_map<std::string, std::size_t> byHref;
    byHref.reserve(state.pairs.size() + uploads.size());
    for (std::size_t p = 0; p < state.pairs.size(); ++p)
        byHref.emplace(state.pairs[p].href, p);
    for (const UploadTaken& taken : uploads) {
        const Upload& upload = *taken.upload;
        const std::string& href = taken.storedAt.empty() ? upload.href : taken.storedAt;
        Pair now{upload.uid, href, taken.etag, true, upload.record, upload.card};
        if (const auto found = byHref.find(upload.href); found != byHref.end()) {
            now.place = state.pairs[found->second].place;
            state.pairs[found->second] = std::move(now);
        } else {
            byHref.emplace(upload.href, state.pairs.size());
            state.pairs.push_back(std::move(now));
        }
    }
    std::unordered_set<std::string_view> removed;
    for (const Removal* removal : removals)
        removed.insert(removal->href);
    std::erase_if(state.pairs, [&](const Pair& pair) { return removed.contains(pair.href); });
}

void confirmRemoval(SyncState& state, const Removal& removal)
{
    std::erase_if(state.pairs, [&](const Pair& pair) { return pair.href == removal.href; });
}

} // namespace syncing
