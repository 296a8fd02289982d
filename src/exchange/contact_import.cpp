#include "exchange/contact_import.h"

#include "exchange/card.h"
#include "exchange/contact_draft.h"
#include "exchange/content_line.h"
#include "exchange/csv_text.h"
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

// The file (and row) and the contact's name, cut short where a name would not fit a message's
// line.
std::string contactLabel(std::string_view where, const Card& card)
{
    constexpr std::size_t longest = 60;
    std::u32string name = trimmed(withoutControls(cardLabel(card)));
    if (name.size() > longest)
        name = name.substr(0, longest - 3) + U"...";
    return std::string(where) + ": " + quotedUtf8(name);
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

// A vCard has a line that begins a card, in any case.
bool holdsVCard(std::string_view bytes)
{
    constexpr std::string_view marker = "BEGIN:VCARD";
    for (std::size_t at = bytes.find_first_of("bB"); at != std::string_view::npos;
         at = bytes.find_first_of("bB", at + 1)) {
        const bool startsLine = at == 0 || bytes[at - 1] == '\n' || bytes[at - 1] == '\r' ||
                                (at == 3 && bytes.starts_with("\xEF\xBB\xBF"));
        if (startsLine && equalsIgnoringCase(bytes.substr(at, marker.size()), marker))
            return true;
    }
    return false;
}

// A table: text without NUL bytes whose first line names a column this program knows, or
// that has several columns and a row below them.
bool holdsCsvTable(std::string_view bytes)
{
    const std::string text = csvTextAsUtf8(bytes);
    if (text.find('\0') != std::string::npos)
        return false;
    CsvReader reader(text);
    std::vector<std::string> header, row;
    if (!reader.next(header))
        return false;
    if (knowsAnyColumn(header))
        return true;
    while (reader.next(row)) {
        if (!isBlankRow(row))
            return header.size() > 1;
    }
    return false;
}

} // namespace

ContactImport::ContactImport(std::vector<std::string> storedNicknames, std::size_t room)
    : nicknames_(storedNicknames), room_(room)
{
}

void ContactImport::read(std::string_view bytes, std::string_view source)
{
    // Without a card in it, no card was taken either.
    if (!readCards(bytes, [&](const Card& card) { take(card, source); }))
        throw NotVCard(std::string(source) + ": no vCard in this file");
}

void ContactImport::readCsv(std::string_view bytes, std::string_view source,
                            const std::vector<ColumnRequest>& columns)
{
    const std::string text = csvTextAsUtf8(bytes);
    CsvReader reader(text);
    std::vector<std::string> cells;
    if (!reader.next(cells))
        throw NotContacts(std::string(source) + ": no CSV header in this file");
    const CsvColumns placed = placeColumns(cells, columns, reader);
    const std::string prefix = std::string(source) + ": row ";
    while (reader.next(cells)) {
        if (!isBlankRow(cells))
            take(placed.card(cells), prefix + std::to_string(reader.rowNumber()));
    }
}

void ContactImport::readEither(std::string_view bytes, std::string_view source,
                               const std::vector<ColumnRequest>& columns)
{
    if (holdsVCard(bytes))
        read(bytes, source);
    else if (holdsCsvTable(bytes))
        readCsv(bytes, source, columns);
    else
        throw NotContacts(std::string(source) + ": neither vCard nor CSV");
}

void ContactImport::take(const Card& card, std::string_view where)
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
        leftOut_.push_back(contactLabel(where, card) + ": left out, no phone number");
        return;
    }
    if (records_.size() >= room_) {
        leftOut_.push_back(contactLabel(where, card) + ": left out, the book is full");
        return;
    }
    const std::string wanted(record.Nick.trimmed());
    const std::string nick = nicknames_.claim(wanted);
    if (nick != wanted) {
        changes.push_back(
            {"Nick Name", storedText(wanted) + " is taken; renamed " + storedText(nick)});
        record.Nick.assign(nick);
    }
    const std::string label = changes.empty() ? std::string() : contactLabel(where, card);
    for (const FieldChange& change : changes)
        changed_.push_back(label + ": " + change.field + ": " + change.what);
    records_.push_back(record);
}

std::string ContactImport::summary(std::size_t linesShown) const
{
    std::string out = countAdded(records_.size());
    appendSection(out, "Left out:", leftOut_, linesShown);
    appendSection(out, "Changed to fit:", changed_, linesShown);
    return out;
}

} // namespace exchange
