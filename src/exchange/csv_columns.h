#pragma once

#include "exchange/card.h"
#include "exchange/column_names.h"

#include <array>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Which column of a CSV file holds which field of a contact: known from the header names of the
// common exports (Google Contacts, Outlook, Thunderbird, this program's own) in the languages
// they are written in and of the plain headers people type, or placed by the user.
namespace exchange {

class CsvReader;

// The fields a user can place, in the order the window shows them.
enum class ContactField { Nick, FullName, FamilyName, City, Phone };
inline constexpr std::size_t ContactFieldCount = 5;

// "nick", "full", "family", "city", "phone": the names the command line takes.
std::string_view fieldName(ContactField field);
std::optional<ContactField> fieldNamed(std::string_view name);

// A field placed by the user: `column` is a header name (letters in any case) or a column number
// counted from 1.
struct ColumnRequest {
    ContactField field;
    std::string column;
};

// The columns do not say where a phone number or a name is, or a column the user named is not
// there. what() says which (UTF-8).
class UnplacedColumns : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    std::vector<std::string> header; // the file's columns, in order
    // For each field, the column found for it, if any.
    std::array<std::optional<std::size_t>, ContactFieldCount> found;
    std::vector<std::vector<std::string>> firstRows; // a few rows below the header
    // For each field that has no column yet, the column that seems to hold it by what the
    // first rows hold there, if any.
    std::array<std::optional<std::size_t>, ContactFieldCount> guessed;
};

class CsvColumns {
public:
    // The column of each field, from the header names. Throws UnplacedColumns when a request
    // names no column of the file, or when no phone column or no name column is found.
    CsvColumns(const std::vector<std::string>& header, const std::vector<ColumnRequest>& requests);

    // What a row says about a contact, as a card says it, so that both are fitted alike.
    Card card(const std::vector<std::string>& row) const;

private:
    struct Ranked {
        std::size_t column;
        int rank;                         // the lower, the more preferred
        std::optional<std::size_t> label; // a column naming the number's kind in each row
    };

    void place(std::size_t column, const std::vector<std::string>& header,
               const std::optional<ColumnMeaning>& meaning);
    void placeOwn(const std::vector<std::string>& header);
    void grant(const ColumnRequest& request, const std::vector<std::string>& header);
    std::array<std::optional<std::size_t>, ContactFieldCount> found() const;
    [[noreturn]] void refuse(const std::string& why, const std::vector<std::string>& header) const;

    std::optional<std::size_t> nick_, given_, middle_, family_, display_;
    std::optional<std::size_t> givenReading_, middleReading_, familyReading_;
    std::vector<Ranked> cities_, phones_;
    // This program's own export: its number fields are taken as they were stored.
    bool own_ = false;
    std::optional<std::size_t> prefix_, stdCode_, usePrefix_, useStdCode_;
};

// Places the columns of the header just read; when they cannot be placed, the exception also
// carries a few rows read on from `reader` (a copy: the reader itself is left where it is).
CsvColumns placeColumns(const std::vector<std::string>& header,
                        const std::vector<ColumnRequest>& requests, const CsvReader& reader);

// Whether any column has a header name this program knows.
bool knowsAnyColumn(const std::vector<std::string>& header);

} // namespace exchange
