#include "exchange/card_import.h"

#include "exchange/card.h"
#include "exchange/contact_draft.h"
#include "exchange/record_fitting.h"
#include "exchange/trimming.h"
#include "exchange/utf8.h"
#include "store/cp1252.h"

namespace exchange {
namespace {

std::string quotedUtf8(std::u32string_view text)
{
    return "\"" + toUtf8(text) + "\"";
}

std::string storedText(std::string_view bytes)
{
    return quotedUtf8(store::decode(bytes));
}

// The file and the contact's name, cut short where a name would not fit a message's line.
std::string contactLabel(std::string_view source, const Card& card)
{
    constexpr std::size_t longest = 60;
    std::u32string name = trimmed(withoutControls(cardLabel(card)));
    if (name.size() > longest)
        name = name.substr(0, longest - 3) + U"...";
    return std::string(source) + ": " + quotedUtf8(name);
}

std::string countAdded(std::size_t count)
{
    if (count == 0)
        return "No contact added.";
    return std::to_string(count) + (count == 1 ? " contact added." : " contacts added.");
}

void appendSection(std::string& out, const char* heading, const std::vector<std::string>& lines,
                   std::size_t linesShown)
{
    if (lines.empty())
        return;
    out += "\n\n";
    out += heading;
    for (std::size_t i = 0; i < lines.size() && i < linesShown; ++i)
        out += "\n" + lines[i];
    if (lines.size() > linesShown)
        out += "\n... and " + std::to_string(lines.size() - linesShown) + " more.";
}

} // namespace

CardImport::CardImport(std::vector<std::string> storedNicknames, std::size_t room)
    : nicknames_(storedNicknames), room_(room)
{
}

void CardImport::read(std::string_view bytes, std::string_view source)
{
    // Without a card in it, no card was taken either.
    if (!readCards(bytes, [&](const Card& card) { take(card, source); }))
        throw NotVCard(std::string(source) + ": no vCard in this file");
}

void CardImport::take(const Card& card, std::string_view source)
{
    const std::optional<ContactDraft> draft = draftContact(card);
    std::vector<FieldChange> changes;
    store::ContactRecord record;
    if (draft) {
        changes = draft->changes;
        record = fitDraft(*draft, changes);
    }
    // A stored number of control characters is blank once fitted.
    if (!draft || record.Phone.trimmed().empty()) {
        leftOut_.push_back(contactLabel(source, card) + ": left out, no phone number");
        return;
    }
    if (records_.size() >= room_) {
        leftOut_.push_back(contactLabel(source, card) + ": left out, the book is full");
        return;
    }
    const std::string wanted(record.Nick.trimmed());
    const std::string nick = nicknames_.claim(wanted);
    if (nick != wanted) {
        changes.push_back(
            {"Nick Name", storedText(wanted) + " is taken; renamed " + storedText(nick)});
        record.Nick.assign(nick);
    }
    const std::string label = changes.empty() ? std::string() : contactLabel(source, card);
    for (const FieldChange& change : changes)
        changed_.push_back(label + ": " + change.field + ": " + change.what);
    records_.push_back(record);
}

std::string CardImport::summary(std::size_t linesShown) const
{
    std::string out = countAdded(records_.size());
    appendSection(out, "Left out:", leftOut_, linesShown);
    appendSection(out, "Changed to fit:", changed_, linesShown);
    return out;
}

} // namespace exchange
