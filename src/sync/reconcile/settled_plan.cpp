#include "sync/reconcile/settled_plan.h"

#include "sync/reconcile/record_matching.h"

#include <algorithm>

namespace syncing {
namespace {

bool everyCardKnown(const SyncState& state)
{
    return std::all_of(state.pairs.begin(), state.pairs.end(),
                       [](const Pair& pair) {
                           return pair.confirmed && !pair.etag.empty() && pair.place > 0;
                       }) &&
           std::none_of(state.passedOver.begin(), state.passedOver.end(),
                        [](const PassedOverCard& card) { return card.etag.empty(); });
}

bool everyRecordAccountedFor(const Plan& plan)
{
    const SyncState& state = plan.state;
    if (state.pairs.size() + state.unpaired.size() != plan.records.size())
        return false;
    std::vector<const store::ContactRecord*> agreed;
    agreed.reserve(state.pairs.size());
    for (const Pair& pair : state.pairs)
        agreed.push_back(&pair.record);
    const std::vector<bool> unmatched = unmatchedByBytes(plan.records, agreed);
    return std::none_of(unmatched.begin(), unmatched.end(), [](bool u) { return u; });
}

} // namespace

bool leavesBookSettled(const Plan& plan)
{
    return !plan.state.syncToken.empty() && plan.state.placesKnown && plan.uploads.empty() &&
           plan.removals.empty() && plan.notices.empty() && everyCardKnown(plan.state) &&
           everyRecordAccountedFor(plan);
}

} // namespace syncing
