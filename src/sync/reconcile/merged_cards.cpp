#include "sync/reconcile/merged_cards.h"

#include "exchange/card_merge.h"

#include <algorithm>
#include <set>

namespace syncing {
namespace {

Upload* uploadOf(Plan& plan, const std::string& href)
{
    for (Upload& upload : plan.uploads) {
        if (upload.href == href)
            return &upload;
    }
    return nullptr;
}

const Pair* pairOf(const Plan& plan, const std::string& href)
{
    for (const Pair& pair : plan.state.pairs) {
        if (pair.href == href)
            return &pair;
    }
    return nullptr;
}

// The kept card's text as it goes up: the plan's upload, else the server's card, sent back
// with what it takes; nullptr when neither is there.
Upload* keptUpload(Plan& plan, const std::string& href, const ServerView& server)
{
    if (Upload* upload = uploadOf(plan, href))
        return upload;
    const auto text = server.cards.find(href);
    const auto etag = server.etags.find(href);
    const Pair* pair = pairOf(plan, href);
    if (text == server.cards.end() || etag == server.etags.end() || !pair)
        return nullptr;
    plan.uploads.push_back({href, pair->uid, text->second, etag->second, pair->record, pair->card});
    ++plan.contactsOut;
    return &plan.uploads.back();
}

} // namespace

std::vector<std::string> withMergedCards(std::vector<std::string> wanted,
                                         std::span<const MergeNote> notes,
                                         const std::map<std::string, std::string>& etags)
{
    std::set<std::string> named(wanted.begin(), wanted.end());
    for (const MergeNote& note : notes) {
        for (const std::string* href : {&note.kept, &note.merged}) {
            if (etags.contains(*href) && named.insert(*href).second)
                wanted.push_back(*href);
        }
    }
    return wanted;
}

bool carryMergedCards(Plan& plan, std::span<const MergeNote> notes, const ServerView& server)
{
    // Where uploads are added, the plan's vector may move: hrefs, not pointers, are kept.
    std::set<std::string> waiting;
    for (const MergeNote& note : notes) {
        const auto removal =
            std::find_if(plan.removals.begin(), plan.removals.end(),
                         [&](const Removal& removal) { return removal.href == note.merged; });
        const auto merged = server.cards.find(note.merged);
        if (removal == plan.removals.end() || merged == server.cards.end())
            continue;
        const std::size_t uploads = plan.uploads.size();
        Upload* kept = keptUpload(plan, note.kept, server);
        if (!kept)
            continue;
        std::string text = exchange::withPropertiesOf(kept->text, merged->second);
        if (text == kept->text) {
            // It holds all of them already: nothing to send for it, the removal goes.
            if (plan.uploads.size() != uploads) {
                plan.uploads.pop_back();
                --plan.contactsOut;
            }
            continue;
        }
        kept->text = std::move(text);
        waiting.insert(note.merged);
    }
    plan.contactsOut -= std::erase_if(
        plan.removals, [&](const Removal& removal) { return waiting.contains(removal.href); });
    // A merged card the plan does not remove stands for a contact here again (the merge was
    // taken back, or the phone changed the card and it came back): its note has nothing left
    // to do, and kept, it would keep every later sync from finding the book settled.
    return !waiting.empty();
}

} // namespace syncing
