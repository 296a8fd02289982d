#include "sync/reconcile/plan_builder.h"

#include "exchange/card_export.h"
#include "exchange/card_patch.h"
#include "exchange/utf8.h"
#include "store/cp1252.h"

#include <algorithm>

namespace syncing {
namespace {

std::vector<std::string> nicknamesOf(std::span<const store::ContactRecord> records)
{
    std::vector<std::string> nicks;
    nicks.reserve(records.size());
    for (const store::ContactRecord& record : records)
        nicks.emplace_back(record.Nick.trimmed());
    return nicks;
}

store::ContactRecord withoutNumber(store::ContactRecord record)
{
    record.RecordNo = 0;
    return record;
}

// What the server will hold once it took a card this sync wrote: read back as any card is.
CardFields readBack(const std::string& text, const CardFields& otherwise)
{
    return readServerCard(text).fields.value_or(otherwise);
}

std::string storedUtf8(std::string_view bytes)
{
    return exchange::toUtf8(store::decode(bytes));
}

} // namespace

PlanBuilder::PlanBuilder(const SyncState& last, std::span<const store::ContactRecord> records,
                         const UidSource& newUid, const HrefForUid& hrefFor)
    : given_(records), records_(records.begin(), records.end()), removed_(records.size()),
      newUid_(newUid), hrefFor_(hrefFor)
{
    plan_.state.pairs.reserve(last.pairs.size());
    plan_.state.bookUrl = last.bookUrl;
    plan_.state.user = last.user;
    plan_.state.signInIssuer = last.signInIssuer;
    plan_.state.signInClient = last.signInClient;
    plan_.state.syncToken = last.syncToken;
    plan_.state.cardVersion = last.cardVersion;
}

bool PlanBuilder::bookIsFull() const
{
    return records_.size() - removedCount_ + appended_.size() >= std::size_t(store::MaxRecords);
}

void PlanBuilder::removeRecord(std::size_t index)
{
    removed_[index] = true;
    ++removedCount_;
    ++plan_.contactsIn;
}

void PlanBuilder::claimNick(store::ContactRecord& record, std::string_view own,
                            const std::string& label)
{
    const std::string wanted(record.Nick.trimmed());
    if (wanted == own)
        return;
    if (!nicknames_)
        nicknames_.emplace(nicknamesOf(given_));
    const std::string nick = nicknames_->claim(wanted);
    if (nick == wanted)
        return;
    notice(label + ": Nick Name: \"" + storedUtf8(wanted) + "\" is taken; renamed \"" +
           storedUtf8(nick) + "\"");
    record.Nick.assign(nick);
}

void PlanBuilder::noteFitted(const std::string& label,
                             const std::vector<exchange::FieldChange>& changes,
                             const std::vector<Field>& fields)
{
    for (const exchange::FieldChange& change : changes) {
        if (std::find(fields.begin(), fields.end(), fieldOfChange(change.field)) != fields.end())
            notice(label + ": " + change.field + ": " + change.what);
    }
}

const store::ContactRecord& PlanBuilder::rewriteRecord(std::size_t index,
                                                       const std::vector<Field>& taken,
                                                       const ServerCard& card)
{
    store::ContactRecord& record = records_[index];
    const std::string own(record.Nick.trimmed());
    std::vector<exchange::FieldChange> changes = card.changes;
    const store::ContactRecord fitted = fitCard(*card.fields, changes);
    noteFitted(card.label, changes, taken);
    for (Field field : taken)
        copyField(record, fitted, field);
    claimNick(record, own, card.label);
    rewritten_ |= !(record == given_[index]);
    ++plan_.contactsIn;
    return record;
}

void PlanBuilder::appendRecord(const CardFields& fields, const ServerCard& card,
                               const std::string& uid, const std::string& href,
                               const std::string& etag)
{
    std::vector<exchange::FieldChange> changes = card.changes;
    store::ContactRecord record = fitCard(fields, changes);
    noteFitted(card.label, changes, {allFields.begin(), allFields.end()});
    claimNick(record, {}, card.label);
    keep({uid, href, etag, true, record, fields}, records_.size() + appended_.size());
    appended_.push_back(record);
    ++plan_.contactsIn;
}

void PlanBuilder::keep(Pair pair, std::optional<std::size_t> local)
{
    plan_.state.pairs.push_back(std::move(pair));
    holders_.push_back(local);
}

void PlanBuilder::uploadNew(std::size_t local, const Pair* again)
{
    const store::ContactRecord& record = records_[local];
    const std::string uid = again ? again->uid : newUid_();
    const std::string href = again ? again->href : hrefFor_(uid);
    Upload upload{href,
                  uid,
                  exchange::exportCard(record, uid, plan_.state.cardVersion),
                  {},
                  withoutNumber(record),
                  {}};
    upload.card = readBack(upload.text, {});
    keep({uid, href, {}, false, upload.record, upload.card}, local);
    plan_.uploads.push_back(std::move(upload));
    ++plan_.contactsOut;
}

void PlanBuilder::uploadUpdate(std::size_t local, const std::vector<Field>& changed,
                               const std::string& cardText, const std::string& etag,
                               const Pair& agreed, const CardFields& server)
{
    const store::ContactRecord& merged = records_[local];
    exchange::CardUpdate update;
    for (Field field : changed) {
        update.nick |= field == Field::Nick;
        update.names |= field == Field::FullName || field == Field::FamilyName;
        update.city |= field == Field::City;
        update.number |= field == Field::Number;
    }
    update.telephone = server.telephone;
    Upload upload{
        agreed.href,           agreed.uid, exchange::patchCard(cardText, merged, update), etag,
        withoutNumber(merged), {}};
    upload.card = readBack(upload.text, server);
    keep(agreed, local);
    plan_.uploads.push_back(std::move(upload));
    ++plan_.contactsOut;
}

void PlanBuilder::remove(const Pair& pair, const std::string& etag)
{
    keep(pair);
    plan_.removals.push_back({pair.href, etag});
    ++plan_.contactsOut;
}

void PlanBuilder::placePairs()
{
    // Places in the book as written: the records that stay in their order, then those added.
    std::vector<std::int32_t> placeOf(records_.size() + appended_.size());
    std::int32_t place = 0;
    for (std::size_t i = 0; i < records_.size(); ++i)
        placeOf[i] = removed_[i] ? 0 : ++place;
    for (std::size_t a = 0; a < appended_.size(); ++a)
        placeOf[records_.size() + a] = ++place;
    std::vector<bool> held(placeOf.size());
    std::vector<Pair>& pairs = plan_.state.pairs;
    for (std::size_t p = 0; p < pairs.size(); ++p) {
        pairs[p].place = holders_[p] ? placeOf[*holders_[p]] : 0;
        if (holders_[p])
            held[*holders_[p]] = true;
    }
    // In the order of the book, so that the next sync meets records and pairs in step.
    std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) {
        return std::uint32_t(a.place - 1) < std::uint32_t(b.place - 1);
    });
    for (std::size_t i = 0; i < placeOf.size(); ++i) {
        if (held[i] || placeOf[i] == 0)
            continue;
        const store::ContactRecord& record =
            i < records_.size() ? records_[i] : appended_[i - records_.size()];
        plan_.state.unpaired.push_back({placeOf[i], recordHash(record)});
    }
    plan_.state.placesKnown = true;
}

Plan PlanBuilder::finish()
{
    placePairs();
    plan_.recordsChanged = rewritten_ || removedCount_ > 0 || !appended_.empty();
    if (removedCount_ == 0) {
        plan_.records = std::move(records_);
    } else {
        plan_.records.reserve(records_.size() - removedCount_ + appended_.size());
        for (std::size_t i = 0; i < records_.size(); ++i) {
            if (!removed_[i])
                plan_.records.push_back(records_[i]);
        }
    }
    for (store::ContactRecord& record : appended_) {
        record.RecordNo = static_cast<std::int16_t>(plan_.records.size() + 1);
        plan_.records.push_back(record);
    }
    return std::move(plan_);
}

} // namespace syncing
