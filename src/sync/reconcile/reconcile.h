#pragma once

#include "store/contact_record.h"
#include "sync/state/sync_state.h"

#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The decision of a sync, without a server or a file: given what the last sync left, the
// records now and the cards now, what to upload, delete, and write, and what to tell the user.
namespace syncing {

// The address book on the server as this sync found it.
struct ServerView {
    // Every card of the book: href -> ETag.
    std::map<std::string, std::string> etags;
    // The text of the cards fetched for this sync (those cardsToFetch named), by href.
    std::map<std::string, std::string> cards;
};

// The hrefs whose text reconcile needs: every card whose ETag differs from the one remembered
// (or is not remembered, or was not known), and every card of a contact changed here, whose
// other properties an update must keep.
std::vector<std::string> cardsToFetch(const SyncState& last,
                                      std::span<const store::ContactRecord> records,
                                      const std::map<std::string, std::string>& etags);

struct Upload {
    std::string href;
    std::string uid;
    // The whole card, vCard, CRLF.
    std::string text;
    // Empty: a new card, sent with If-None-Match: *. Else sent with If-Match: ifMatch.
    std::string ifMatch;
    // What the pair becomes once the server has taken the card.
    store::ContactRecord record;
    CardFields card;
};

struct Removal {
    std::string href;
    std::string etag;
};

struct Plan {
    // The data file after this sync, in order: every record that stays, where it was (its
    // RecordNo kept), changed where the server changed it; new ones behind.
    std::vector<store::ContactRecord> records;
    // Whether `records` differs from the records reconcile was given; when not, the data
    // file is not written.
    bool recordsChanged = false;
    std::vector<Upload> uploads;
    std::vector<Removal> removals;
    // The state to write together with `records`: safe to keep when nothing more of the
    // plan is done (a new card's pair is there, unconfirmed; an updated card's pair keeps
    // its old agreement, so that the next sync finds the change again).
    SyncState state;
    // For the summary (UTF-8, one line each, naming the contact and, where it applies, the
    // field): conflicts and whose value won, contacts restored, text fitted to the file,
    // cards passed over.
    std::vector<std::string> notices;
    // Contacts written here (added, changed or removed) and cards going out.
    std::size_t contactsIn = 0;
    std::size_t contactsOut = 0;
};

// Gives a new card its UID: random in the program, counted in tests.
using UidSource = std::function<std::string()>;
// The href of a new card of that UID, as the server will name it in its answers (the client's
// hrefForUid for the book): the state remembers cards by it.
using HrefForUid = std::function<std::string(const std::string& uid)>;

// `server.cards` must hold every card cardsToFetch named; a card it lacks is left as it was
// for the next sync. `last.bookUrl`, `user`, `syncToken` and `cardVersion` (that of the new
// cards) are carried into the plan's state unchanged. `last` is taken by value: moved in, its pairs
// move on into the plan's state rather than being copied, which is most of the time of a sync of a
// large book.
Plan reconcile(SyncState last, std::span<const store::ContactRecord> records,
               const ServerView& server, const UidSource& newUid, const HrefForUid& hrefFor);

// What the state becomes once the server took an upload (its new ETag, empty when it gave
// none) or a removal.
void confirmUpload(SyncState& state, const Upload& upload, const std::string& etag);
void confirmRemoval(SyncState& state, const Removal& removal);

// The same for many at once: each of the forms above looks through every pair, this one
// takes them all in one pass (a first sync of thousands of contacts).
struct UploadTaken {
    const Upload* upload;
    std::string etag;
    // Where the server stored the card when it chose another name; empty: the upload's href.
    std::string storedAt = {};
};
void confirmTaken(SyncState& state, std::span<const UploadTaken> uploads,
                  std::span<const Removal* const> removals);

} // namespace syncing
