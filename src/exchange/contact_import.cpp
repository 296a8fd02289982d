#include "exchange/contact_import.h"

#include "duplicates/same_person.h"
#include "exchange/card.h"
#include "exchange/contact_draft.h"
#include "exchange/content_line.h"
#include "exchange/csv_text.h"
#include "exchange/record_fitting.h"
#include "exchange/trimming.h"
#include "exchange/utf8.h"
#include "store/cp1252.h"

#include <algorithm>

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

std::string countKnown(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " contact was in the book already."
                                               : " contacts were in the book already.");
}

// The fields a file may fill in or differ in; the number is the same, or it is no one known.
struct TextField {
    const char* name;
    std::string_view (*text)(const store::ContactRecord&);
    void (*assign)(store::ContactRecord&, const store::ContactRecord&);
};

constexpr TextField textFields[] = {
    {"Nick Name", [](const store::ContactRecord& r) { return r.Nick.trimmed(); },
     [](store::ContactRecord& to, const store::ContactRecord& from) { to.Nick = from.Nick; }},
    {"Full Name", [](const store::ContactRecord& r) { return r.FullName.trimmed(); },
     [](store::ContactRecord& to, const store::ContactRecord& from) {
         to.FullName = from.FullName;
     }},
    {"Family Name", [](const store::ContactRecord& r) { return r.FamilyName.trimmed(); },
     [](store::ContactRecord& to, const store::ContactRecord& from) {
         to.FamilyName = from.FamilyName;
     }},
    {"City", [](const store::ContactRecord& r) { return r.City.trimmed(); },
     [](store::ContactRecord& to, const store::ContactRecord& from) { to.City = from.City; }},
};

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

namespace {

std::vector<std::string> trimmedNicknames(const std::vector<store::ContactRecord>& records)
{
    std::vector<std::string> nicks;
    nicks.reserve(records.size());
    for (const store::ContactRecord& record : records)
        nicks.emplace_back(record.Nick.trimmed());
    return nicks;
}

} // namespace

ContactImport::ContactImport(std::vector<store::ContactRecord> stored, std::size_t room,
                             const numbers::NumberComparison& numbers)
    : nicknames_(trimmedNicknames(stored)), room_(room), stored_(std::move(stored)),
      numbers_(&numbers)
{
    for (std::size_t at = 0; at < stored_.size(); ++at) {
        storedByNick_[std::string(stored_[at].Nick.trimmed())].push_back(at);
        if (std::string names = duplicates::namesKey(stored_[at]); !names.empty())
            storedByNames_[std::move(names)].push_back(at);
    }
}

std::optional<std::size_t> ContactImport::storedSamePerson(const store::ContactRecord& record) const
{
    if (!numbers_)
        return std::nullopt;
    std::optional<std::size_t> first;
    const auto lookIn = [&](const auto& index, const std::string& key) {
        const auto found = index.find(key);
        if (found == index.end())
            return;
        for (std::size_t at : found->second) {
            if (first && *first < at)
                break;
            if (duplicates::sameNumber(stored_[at], record, *numbers_)) {
                first = at;
                break;
            }
        }
    };
    const std::string nick(record.Nick.trimmed());
    lookIn(storedByNick_, nick);
    // An earlier import of the same file stored someone whose nickname was taken under a
    // numbered one: that contact is looked for too, or every import adds them again.
    for (unsigned number = 1; !first && !nick.empty(); ++number) {
        const std::string numbered = numberedNickname(nick, number);
        if (!storedByNick_.contains(numbered))
            break;
        lookIn(storedByNick_, numbered);
    }
    if (const std::string names = duplicates::namesKey(record); !names.empty())
        lookIn(storedByNames_, names);
    return first;
}

void ContactImport::recognise(std::size_t stored, const store::ContactRecord& record,
                              const std::vector<FieldChange>& changes, const std::string& label)
{
    const auto already = filled_.find(stored);
    store::ContactRecord now = already != filled_.end() ? already->second : stored_[stored];
    const std::string inBook = storedText(now.Nick.trimmed());
    std::vector<std::string> filledFields;
    for (const TextField& field : textFields) {
        const std::string_view theirs = field.text(record);
        const std::string_view ours = field.text(now);
        if (theirs.empty() || theirs == ours)
            continue;
        if (ours.empty()) {
            field.assign(now, record);
            filledFields.push_back(field.name);
        } else {
            // As in a sync, this machine's text wins; the file's is told, not lost from sight.
            differing_.push_back(label + ": " + field.name + ": the book keeps " +
                                 storedText(ours) + ", the file has " + storedText(theirs));
        }
    }
    std::string line = label + ": in the book as " + inBook;
    for (std::size_t i = 0; i < filledFields.size(); ++i)
        line += (i == 0 ? "; filled in " : ", ") + filledFields[i];
    known_.push_back(line);
    if (filledFields.empty())
        return;
    filled_[stored] = now;
    for (const FieldChange& change : changes) {
        if (std::find(filledFields.begin(), filledFields.end(), change.field) != filledFields.end())
            changed_.push_back(label + ": " + change.field + ": " + change.what);
    }
}

std::vector<FilledContact> ContactImport::filled() const
{
    std::vector<FilledContact> out;
    out.reserve(filled_.size());
    for (const auto& [index, after] : filled_)
        out.push_back({index, stored_[index], after});
    std::sort(out.begin(), out.end(),
              [](const FilledContact& a, const FilledContact& b) { return a.index < b.index; });
    return out;
}

std::vector<store::ContactRecord> ContactImport::storedAfterFilling() const
{
    std::vector<store::ContactRecord> records = stored_;
    for (const auto& [index, after] : filled_)
        records[index] = after;
    return records;
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
    if (const auto stored = storedSamePerson(record)) {
        recognise(*stored, record, changes, contactLabel(where, card));
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
    if (!known_.empty())
        out += "\n" + countKnown(known_.size());
    appendSection(out, "Already in the book:", known_, linesShown);
    appendSection(out, "The book's text kept:", differing_, linesShown);
    appendSection(out, "Left out:", leftOut_, linesShown);
    appendSection(out, "Changed to fit:", changed_, linesShown);
    return out;
}

} // namespace exchange
