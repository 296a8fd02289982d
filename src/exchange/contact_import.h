#pragma once

#include "exchange/csv_columns.h"
#include "exchange/nickname_register.h"
#include "numbers/number_comparison.h"
#include "store/contact_record.h"

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Contacts coming in from other programs' files, vCard or CSV, turned into records that obey
// every rule a SAVE obeys. What had to change to fit a contact into the data file is reported.
namespace exchange {

struct Card;
struct FieldChange;

// The bytes hold no contacts this program reads: no vCard, or neither vCard nor a CSV table.
class NotContacts : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
using NotVCard = NotContacts;

// A stored contact that the files filled in: one of its fields was blank, a file held it.
struct FilledContact {
    std::size_t index; // among the stored records, from 0
    store::ContactRecord before;
    store::ContactRecord after;
};

class ContactImport {
public:
    // storedNicknames: the trimmed nicknames already in the data file (its own bytes);
    // room: how many more records the file can take.
    ContactImport(std::vector<std::string> storedNicknames, std::size_t room);
    // The same, with the records of the data file, in order: a contact of a file that is the
    // same person as one of them (duplicates::samePerson, by `numbers`) is not added again but
    // fills that one's blank fields.
    ContactImport(std::vector<store::ContactRecord> stored, std::size_t room,
                  const numbers::NumberComparison& numbers);

    // Each reads every contact of one file; `source` names the file in the report. On a throw
    // nothing of that file is taken.
    // vCard; throws NotVCard.
    void read(std::string_view bytes, std::string_view source);
    // CSV: one contact per row below the header. The columns the user places come before those
    // known by their header names; throws UnplacedColumns.
    void readCsv(std::string_view bytes, std::string_view source,
                 const std::vector<ColumnRequest>& columns = {});
    // vCard or CSV, told apart by what the bytes hold; throws NotContacts or UnplacedColumns.
    void readEither(std::string_view bytes, std::string_view source,
                    const std::vector<ColumnRequest>& columns = {});

    // The records to append, in order; RecordNo is set by whoever appends them.
    const std::vector<store::ContactRecord>& records() const { return records_; }
    // One line (UTF-8) per contact left out, with the reason.
    const std::vector<std::string>& leftOut() const { return leftOut_; }
    // One line (UTF-8) per change made to fit a contact, naming the contact and the field.
    const std::vector<std::string>& changed() const { return changed_; }
    // One line (UTF-8) per contact of the files that the book held already, naming the stored
    // contact and the fields filled in.
    const std::vector<std::string>& known() const { return known_; }
    // One line (UTF-8) per field in which such a contact differs: the book's text stays, the
    // line names the contact, the field and the file's text.
    const std::vector<std::string>& differing() const { return differing_; }
    // The stored contacts filled in, in the order of the file.
    std::vector<FilledContact> filled() const;
    // The stored records with what was filled in.
    std::vector<store::ContactRecord> storedAfterFilling() const;

    // The summary shown to the user (UTF-8, lines separated by '\n'): how many contacts were
    // added and how many the book held already, then the lines of known(), differing(),
    // leftOut() and changed(), at most `linesShown` of each (the rest counted), so that it fits
    // a message box.
    std::string summary(std::size_t linesShown = 30) const;

private:
    // `where` names the file, and the row of a CSV file.
    void take(const Card& card, std::string_view where);
    // The first stored record that is the same person as `record`.
    std::optional<std::size_t> storedSamePerson(const store::ContactRecord& record) const;
    void recognise(std::size_t stored, const store::ContactRecord& record,
                   const std::vector<FieldChange>& changes, const std::string& label);

    NicknameRegister nicknames_;
    std::size_t room_;
    std::vector<store::ContactRecord> records_;
    std::vector<std::string> leftOut_;
    std::vector<std::string> changed_;

    std::vector<store::ContactRecord> stored_;
    const numbers::NumberComparison* numbers_ = nullptr;
    std::unordered_map<std::string, std::vector<std::size_t>> storedByNick_, storedByNames_;
    // The stored records filled in so far, by their index.
    std::unordered_map<std::size_t, store::ContactRecord> filled_;
    std::vector<std::string> known_;
    std::vector<std::string> differing_;
};

} // namespace exchange
