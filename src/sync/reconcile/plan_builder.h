#pragma once

#include "exchange/nickname_register.h"
#include "sync/reconcile/contact_fields.h"
#include "sync/reconcile/reconcile.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

// What a plan is made of while reconcile decides contact by contact: the records that stay
// (changed or not), those added, the cards going up, and the notices.
namespace syncing {

class PlanBuilder {
public:
    PlanBuilder(const SyncState& last, std::span<const store::ContactRecord> records,
                const UidSource& newUid, const HrefForUid& hrefFor);

    const store::ContactRecord& record(std::size_t index) const { return records_[index]; }
    bool bookIsFull() const;

    void removeRecord(std::size_t index);
    // The record with the server's fields that changed; a nickname taken from the server is
    // made unique among the other records. Notes what was fitted.
    const store::ContactRecord& rewriteRecord(std::size_t index, const std::vector<Field>& taken,
                                              const ServerCard& card);
    // A contact from the server as a new record; its pair remembers it.
    void appendRecord(const CardFields& fields, const ServerCard& card, const std::string& uid,
                      const std::string& href, const std::string& etag);

    // The record `local` as a new card, under a new UID (or `pair`'s, when its upload is to be
    // made again); the pair is remembered unconfirmed.
    void uploadNew(std::size_t local, const Pair* again = nullptr);
    // The server's card updated with the changed fields of the record `local` as merged;
    // `agreed` is what the state remembers until the server has taken it.
    void uploadUpdate(std::size_t local, const std::vector<Field>& changed,
                      const std::string& cardText, const std::string& etag, const Pair& agreed,
                      const CardFields& server);
    void remove(const Pair& pair, const std::string& etag);

    // The pair goes on, held by the record `local`, or by none.
    void keep(Pair pair, std::optional<std::size_t> local = std::nullopt);
    void passOver(const std::string& href, const std::string& etag)
    {
        plan_.state.passedOver.push_back({href, etag});
    }
    void notice(std::string line) { plan_.notices.push_back(std::move(line)); }

    Plan finish();

private:
    // The nickname to store for a contact from the server: `wanted` unless another record has
    // it already, or `own` when that is what it has.
    void claimNick(store::ContactRecord& record, std::string_view own, const std::string& label);
    void noteFitted(const std::string& label, const std::vector<exchange::FieldChange>& changes,
                    const std::vector<Field>& fields);
    // Each pair's place in the book as written, and the records no card holds.
    void placePairs();

    std::span<const store::ContactRecord> given_;
    std::vector<store::ContactRecord> records_;
    std::vector<bool> removed_;
    std::size_t removedCount_ = 0;
    bool rewritten_ = false;
    std::vector<store::ContactRecord> appended_;
    // For each pair of the plan's state, the record that holds it: an index of the records
    // given, records_.size() + an index of those appended, or none.
    std::vector<std::optional<std::size_t>> holders_;
    // Made when the first nickname is claimed: most syncs claim none.
    std::optional<exchange::NicknameRegister> nicknames_;
    const UidSource& newUid_;
    const HrefForUid& hrefFor_;
    Plan plan_;
};

} // namespace syncing
