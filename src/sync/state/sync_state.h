#pragma once

#include "store/contact_record.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// What the last sync left: for every contact that is on both sides, the record and the card as
// the two sides last agreed on them. The next sync compares both sides against this.
namespace syncing {

// What a card says in the record's terms, before it is fitted into the record's widths and
// character set (UTF-8). Comparing these, not the fitted record, is what keeps a fitted text
// from counting as a change on the server.
struct CardFields {
    std::string nick, fullName, familyName, city;
    // The number as the record would hold it: phone, STD code, prefix and their ticks.
    std::string phone, stdCode, prefix;
    std::int16_t useStdCode = 0;
    std::int16_t usePrefix = 0;
    // The TEL value this contact's number was taken from, as the card wrote it: an update
    // replaces that one number and leaves the card's other numbers alone.
    std::string telephone;

    friend bool operator==(const CardFields&, const CardFields&) = default;
};

struct Pair {
    std::string uid;
    // The card's path on the server, as the server names it in its answers.
    std::string href;
    // The card's ETag as the server last gave it; empty when it is not known (the server gave
    // none to the last PUT): the card is then fetched and compared at the next sync.
    std::string etag;
    // The card is known to be on the server. A card whose upload was planned but not yet
    // answered is not: when it is missing at the next sync it is uploaded again (never
    // counted as deleted there), and when it is there it is simply taken as uploaded.
    bool confirmed = false;
    // The record as both sides last agreed on it, RecordNo 0.
    store::ContactRecord record;
    // The card's fields as both sides last agreed on them.
    CardFields card;
    // Where the contact's record stood in the book the last sync wrote (1 for the first
    // record); 0 when no record there held it. Records keep their order, so the next sync can
    // tell an edit of any number of fields from a deletion and an addition.
    std::int32_t place = 0;

    friend bool operator==(const Pair&, const Pair&) = default;
};

// A card on the server that holds no contact the file can store (no number to dial): it is
// reported once and looked at again only when its ETag changes.
struct PassedOverCard {
    std::string href;
    std::string etag;

    friend bool operator==(const PassedOverCard&, const PassedOverCard&) = default;
};

// A record of the book the last sync wrote that no card holds (one without a number): known
// by its place and its bytes' hash, so that it too anchors the records around it.
struct UnpairedRecord {
    std::int32_t place = 0;
    std::uint64_t hash = 0;

    friend bool operator==(const UnpairedRecord&, const UnpairedRecord&) = default;
};

struct SyncState {
    // The address book and the account; the password is never here.
    std::string bookUrl;
    std::string user;
    // For an account that signs in through the browser, its authorization server and client;
    // both empty for a password. The tokens are never here.
    std::string signInIssuer;
    std::string signInClient;
    // The sync-collection token of the last sync; empty when the server offers none or there
    // was no sync yet.
    std::string syncToken;
    // The vCard version new cards are written in ("3.0", or "4.0" for a book that takes
    // nothing else); empty until the book was asked.
    std::string cardVersion;
    std::vector<Pair> pairs;
    std::vector<PassedOverCard> passedOver;
    std::vector<UnpairedRecord> unpaired;
    // Whether the pairs' places are known: a file written before places were kept has none,
    // and its records are then told apart by what they hold alone.
    bool placesKnown = true;
    // The last sync left nothing for the next one to do (every card agreed on and known by its
    // ETag, every record accounted for, no notice to repeat) and wrote a data file whose bytes
    // hash to this. While the file still does and the server tells of no change since the
    // token, the next sync has nothing to decide: it needs no more of this state than its head.
    std::optional<std::uint64_t> settledOn;

    friend bool operator==(const SyncState&, const SyncState&) = default;
};

// The state as the file beside the data file holds it (text, one line per entry, every text
// escaped so that any byte survives).
std::string serializeState(const SyncState& state);

// Throws BadStateFile when the text is not such a file. A file changed after it was written
// settled is read as one that is not.
SyncState parseState(std::string_view text);

// The head of a file written settled (its address book, user, token and settledOn, with no
// pairs), read without the rest, which is only checked to be as it was written; nothing when
// the text is no such file, and parseState is then what reads it (or says what is wrong).
std::optional<SyncState> parseSettledHead(std::string_view text);

// The text of a file written settled with its head replaced by `head`'s (a new token, say),
// the rest as it was.
std::string withHeadOf(const SyncState& head, std::string_view settledText);

class BadStateFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace syncing
