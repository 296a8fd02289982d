#include "sync/reconcile/etag_settling.h"

#include "sync/reconcile/contact_fields.h"

#include <algorithm>
#include <unordered_map>

namespace syncing {

std::vector<std::string> takenWithoutEtag(std::span<const UploadTaken> taken)
{
    std::vector<std::string> hrefs;
    for (const UploadTaken& card : taken)
        if (card.etag.empty())
            hrefs.push_back(card.storedAt.empty() ? card.upload->href : card.storedAt);
    return hrefs;
}

void settleEtags(SyncState& state, std::span<const CardReadBack> cards)
{
    std::unordered_map<std::string_view, const CardReadBack*> byHref;
    for (const CardReadBack& card : cards)
        byHref.emplace(card.href, &card);
    for (Pair& pair : state.pairs) {
        const auto found = byHref.find(pair.href);
        if (!pair.etag.empty() || found == byHref.end() || found->second->etag.empty())
            continue;
        const ServerCard card = readServerCard(found->second->text);
        if (!card.fields || !std::all_of(allFields.begin(), allFields.end(), [&](Field field) {
                return sameField(*card.fields, pair.card, field);
            }))
            continue;
        pair.etag = found->second->etag;
        pair.card = *card.fields;
        if (!card.uid.empty())
            pair.uid = card.uid;
    }
}

} // namespace syncing
