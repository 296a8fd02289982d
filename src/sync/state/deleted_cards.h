#pragma once

#include "store/contact_record.h"
#include "store/file_system.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The cards a sync deleted from the server because their contacts were deleted here, kept for
// a while in a file beside "syncphone", so that a deletion taken back later brings the card
// back whole: with the e-mail addresses, other numbers and notes the contact book does not
// hold.
namespace syncing {

inline constexpr const char* DeletedCardsName = "syncphone.deleted";
inline constexpr const char* DeletedCardsScratchName = "syncphone.deleted.new";
// How long a deleted card is kept.
inline constexpr std::int64_t DeletedCardKeptSeconds = std::int64_t(30) * 24 * 60 * 60;

struct DeletedCard {
    // When the sync deleted it, in seconds since 1970.
    std::int64_t deletedAt = 0;
    std::string uid;
    std::string href;
    // The whole card as the server last gave it.
    std::string text;
    // The contact's record as both sides last agreed on it, RecordNo 0.
    store::ContactRecord record;

    friend bool operator==(const DeletedCard&, const DeletedCard&) = default;
};

// One line a card; a line that is not whole (a machine that stopped while it was written) is
// passed over.
std::string serializeDeletedCards(std::span<const DeletedCard> cards);
std::vector<DeletedCard> parseDeletedCards(std::string_view text);

// The cards kept at `now`: those deleted less than 30 days before it.
std::vector<DeletedCard> stillKept(std::vector<DeletedCard> cards, std::int64_t now);

// The folder must be held. Reading gives every card the file holds; writing replaces the file
// whole (none: the file goes). Both throw store::StoreError.
std::vector<DeletedCard> readDeletedCards(store::FileSystem& fs);
void writeDeletedCards(store::FileSystem& fs, std::span<const DeletedCard> cards);

} // namespace syncing
