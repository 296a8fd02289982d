#include "sync/reconcile/card_revival.h"

#include "sync/reconcile/contact_fields.h"

#include <algorithm>

namespace syncing {

std::vector<DeletedCard> cardsDeletedBy(const Plan& plan, const SyncState& last,
                                        const std::map<std::string, std::string>& texts,
                                        std::int64_t now)
{
    std::vector<DeletedCard> cards;
    for (const Removal& removal : plan.removals) {
        const auto pair = std::find_if(last.pairs.begin(), last.pairs.end(),
                                       [&](const Pair& p) { return p.href == removal.href; });
        const auto text = texts.find(removal.href);
        if (pair == last.pairs.end() || text == texts.end())
            continue;
        cards.push_back({now, pair->uid, pair->href, text->second, pair->record});
    }
    return cards;
}

std::size_t reviveDeletedCards(Plan& plan, std::span<const DeletedCard> deleted)
{
    std::size_t revived = 0;
    for (Upload& upload : plan.uploads) {
        if (!upload.ifMatch.empty())
            continue;
        // The latest deletion of that record, should it have been deleted more than once.
        const auto card = std::find_if(deleted.rbegin(), deleted.rend(), [&](const DeletedCard& c) {
            return c.record == upload.record;
        });
        if (card == deleted.rend())
            continue;
        // Its href must be free: no other contact of the book holds that card now. (The
        // upload's own pair holds it when an upload of the card came back before and was not
        // answered.)
        const auto taken = [&](const Pair& p) {
            return p.href == card->href && p.href != upload.href;
        };
        if (std::any_of(plan.state.pairs.begin(), plan.state.pairs.end(), taken))
            continue;
        const auto pair = std::find_if(plan.state.pairs.begin(), plan.state.pairs.end(),
                                       [&](const Pair& p) { return p.href == upload.href; });
        upload.href = card->href;
        upload.uid = card->uid;
        upload.text = card->text;
        upload.card = readServerCard(upload.text).fields.value_or(upload.card);
        if (pair != plan.state.pairs.end()) {
            pair->href = upload.href;
            pair->uid = upload.uid;
            pair->card = upload.card;
        }
        ++revived;
    }
    return revived;
}

} // namespace syncing
