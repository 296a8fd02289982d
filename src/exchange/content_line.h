#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One property of a card as it stands in the file, after unfolding: "item1.TEL;TYPE=CELL:+1 555".
namespace exchange {

struct ContentLine {
    std::string name; // upper case, without its group ("TEL")
    // Parameter names in upper case; a list value ("TYPE=WORK,PREF") gives one entry per item.
    // A bare 2.1 parameter ("TEL;CELL", "N;QUOTED-PRINTABLE") is filed under ENCODING or TYPE.
    std::vector<std::pair<std::string, std::string>> parameters;
    std::string value; // the raw value: still escaped and in its transfer encoding

    // Whether a parameter of this name holds this value, letters in any case.
    bool has(std::string_view parameter, std::string_view value) const;
    // The first value of a parameter, or the empty text.
    std::string_view parameter(std::string_view name) const;
    bool isQuotedPrintable() const { return has("ENCODING", "QUOTED-PRINTABLE"); }
};

bool equalsIgnoringCase(std::string_view a, std::string_view b);

// Where a line's name and parameters end: the first colon outside double quotes (npos: none).
std::size_t valueColon(std::string_view line);
// Splits at `separator` outside double quotes.
std::vector<std::string_view> splitOutsideQuotes(std::string_view text, char separator);
// A bare 2.1 parameter that names a transfer encoding ("QUOTED-PRINTABLE", "BASE64", ...).
bool isEncodingName(std::string_view value);

// Parses one unfolded line; a line without a colon gives nothing (an empty name).
ContentLine parseContentLine(std::string_view line);

// Hands out the logical lines of a file one by one: a line break followed by a blank or a tab
// continues the line; a quoted-printable value ending in "=" continues on the next line; line
// breaks are CRLF, LF, or CR alone; a byte-order mark at the start is skipped.
class ContentLineReader {
public:
    explicit ContentLineReader(std::string_view bytes);
    // False at the end of the file.
    bool next(ContentLine& line);

private:
    std::string_view nextPhysicalLine();
    bool continues() const;

    std::string_view bytes_;
    std::size_t at_ = 0;
    std::string logical_;
};

} // namespace exchange
