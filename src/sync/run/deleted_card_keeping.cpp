#include "sync/run/deleted_card_keeping.h"

#include "sync/reconcile/card_revival.h"
#include "sync/state/deleted_cards.h"

#include <ctime>

namespace syncing {

void keepDeletedCards(store::FileSystem& fs, const SyncState& last,
                      const std::map<std::string, std::string>& texts, Plan& plan)
{
    const std::int64_t now = std::time(nullptr);
    const std::vector<DeletedCard> read = readDeletedCards(fs);
    std::vector<DeletedCard> kept = stillKept(read, now);
    reviveDeletedCards(plan, kept);
    const std::vector<DeletedCard> added = cardsDeletedBy(plan, last, texts, now);
    if (added.empty() && kept.size() == read.size())
        return;
    kept.insert(kept.end(), added.begin(), added.end());
    writeDeletedCards(fs, kept);
}

} // namespace syncing
