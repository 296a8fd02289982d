#pragma once

#include <span>
#include <string_view>

// The header names of the CSV files other programs write, in English and in their users'
// languages: the table the import knows its columns by.
namespace exchange {

// What a column holds, as far as a contact of this program needs it.
enum class ColumnRole {
    Nick,
    Given,
    Middle,
    Family,
    Display,
    // How a name in a script that does not say its sound is read ("やまもと" for 山本).
    GivenReading,
    MiddleReading,
    FamilyReading,
    City,
    Phone,
};

struct ColumnMeaning {
    ColumnRole role;
    int rank = 0; // among cities and phones: primary 1, mobile 2, home 3, work 4, other 5

    friend bool operator==(const ColumnMeaning&, const ColumnMeaning&) = default;
};

// A header name of the English exports (Google Contacts, Outlook, Thunderbird), of this
// program's own and of what people type. Google Contacts writes these in every language.
struct EnglishColumn {
    std::string_view name;
    ColumnMeaning meaning;
};

enum class Exporter { Outlook, Thunderbird };

// One column of one program's export in one language: the name it writes there for the
// column its English export calls `english`, which gives the meaning.
struct TranslatedColumn {
    Exporter program;
    std::string_view language; // as the program's own translations name it: "de", "pt-BR"
    std::string_view english;
    std::string_view name;
};

std::span<const EnglishColumn> englishColumns();
std::span<const TranslatedColumn> translatedColumns();

} // namespace exchange
