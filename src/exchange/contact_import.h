#pragma once

#include "exchange/csv_columns.h"
#include "exchange/nickname_register.h"
#include "store/contact_record.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Contacts coming in from other programs' files, vCard or CSV, turned into records that obey
// every rule a SAVE obeys. What had to change to fit a contact into the data file is reported.
namespace exchange {

struct Card;

// The bytes hold no contacts this program reads: no vCard, or neither vCard nor a CSV table.
class NotContacts : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
using NotVCard = NotContacts;

class ContactImport {
public:
    // storedNicknames: the trimmed nicknames already in the data file (its own bytes);
    // room: how many more records the file can take.
    ContactImport(std::vector<std::string> storedNicknames, std::size_t room);

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

    // The summary shown to the user (UTF-8, lines separated by '\n'): how many contacts were
    // added, then the lines of leftOut() and of changed(), at most `linesShown` of each (the
    // rest counted), so that it fits a message box.
    std::string summary(std::size_t linesShown = 30) const;

private:
    // `where` names the file, and the row of a CSV file.
    void take(const Card& card, std::string_view where);

    NicknameRegister nicknames_;
    std::size_t room_;
    std::vector<store::ContactRecord> records_;
    std::vector<std::string> leftOut_;
    std::vector<std::string> changed_;
};

} // namespace exchange
