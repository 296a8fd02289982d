#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The text of CSV files as spreadsheets and mail programs write them: RFC 4180 quoting, a
// comma, semicolon or tab between cells, any line ends, and the encodings they save in.
namespace exchange {

// The file's text in UTF-8: UTF-8 with or without a byte-order mark, UTF-16 with one, and
// Windows-1252 when the bytes are not UTF-8.
std::string csvTextAsUtf8(std::string_view bytes);

// Hands out the rows of a CSV text (UTF-8) one by one. The separator is the one of comma,
// semicolon and tab that the first line holds most of outside quotes. A quoted cell may hold
// separators, line breaks and doubled quotes; a line ends in CRLF, LF or CR alone.
class CsvReader {
public:
    explicit CsvReader(std::string_view text);

    // The next row's cells, unquoted; false at the end of the text.
    bool next(std::vector<std::string>& cells);
    // The number of the row last read, counted as a spreadsheet counts: the header is row 1.
    std::size_t rowNumber() const { return row_; }
    char separator() const { return separator_; }

private:
    void readCell(std::string& cell);
    // Past the line end at the reading position, if there is one there.
    bool passLineEnd();

    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t row_ = 0;
    char separator_ = ',';
    char stops_[4] = {};
};

// Nothing but blanks in every cell: a spreadsheet's empty line.
bool isBlankRow(const std::vector<std::string>& cells);

} // namespace exchange
