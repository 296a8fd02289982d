#pragma once

#include "exchange/nickname_register.h"
#include "store/contact_record.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// vCard coming in: cards read from other programs' files, turned into records that obey every
// rule a SAVE obeys. What had to change to fit a contact into the data file is reported.
namespace exchange {

struct Card;

// The bytes hold no vCard at all (no BEGIN:VCARD ... END:VCARD).
class NotVCard : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CardImport {
public:
    // storedNicknames: the trimmed nicknames already in the data file (its own bytes);
    // room: how many more records the file can take.
    CardImport(std::vector<std::string> storedNicknames, std::size_t room);

    // Reads every card of one file; `source` names the file in the report. Throws NotVCard,
    // and then takes nothing from that file.
    void read(std::string_view bytes, std::string_view source);

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
    void take(const Card& card, std::string_view source);

    NicknameRegister nicknames_;
    std::size_t room_;
    std::vector<store::ContactRecord> records_;
    std::vector<std::string> leftOut_;
    std::vector<std::string> changed_;
};

} // namespace exchange
