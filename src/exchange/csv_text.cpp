#include "exchange/csv_text.h"

#include "exchange/utf8.h"
#include "store/cp1252.h"

#include <algorithm>
#include <array>

namespace exchange {
namespace {

std::string fromUtf16(std::string_view bytes, bool bigEndian)
{
    const auto unitAt = [&](std::size_t at) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return bigEndian ? char32_t(first << 8 | second) : char32_t(second << 8 | first);
    };
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        char32_t ch = unitAt(at);
        const bool high = ch >= 0xD800 && ch <= 0xDBFF;
        if (high && at + 3 < bytes.size() && unitAt(at + 2) >= 0xDC00 && unitAt(at + 2) <= 0xDFFF) {
            ch = 0x10000 + ((ch - 0xD800) << 10) + (unitAt(at + 2) - 0xDC00);
            at += 2;
        } else if (ch >= 0xD800 && ch <= 0xDFFF) {
            ch = U'\uFFFD'; // half a pair: a character no file can hold
        }
        appendUtf8(out, ch);
    }
    return out;
}

std::string fromWindows1252(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char byte : bytes)
        appendUtf8(out, store::decodeByte(static_cast<std::uint8_t>(byte)));
    return out;
}

// The separator the line holds most of outside quotes; a comma when it holds none.
char separatorOf(std::string_view text)
{
    std::array<std::size_t, 3> counts{};
    constexpr std::array<char, 3> candidates = {',', ';', '\t'};
    bool quoted = false;
    for (char ch : text) {
        if (ch == '"')
            quoted = !quoted;
        else if (!quoted && (ch == '\n' || ch == '\r'))
            break;
        else if (!quoted)
            for (std::size_t i = 0; i < candidates.size(); ++i)
                counts[i] += ch == candidates[i];
    }
    const auto most = std::max_element(counts.begin(), counts.end()) - counts.begin();
    return counts[std::size_t(most)] > 0 ? candidates[std::size_t(most)] : ',';
}

} // namespace

std::string csvTextAsUtf8(std::string_view bytes)
{
    if (bytes.starts_with("\xFF\xFE"))
        return fromUtf16(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF"))
        return fromUtf16(bytes.substr(2), true);
    const bool marked = bytes.starts_with("\xEF\xBB\xBF");
    if (marked)
        bytes.remove_prefix(3);
    if (isValidUtf8(bytes))
        return std::string(bytes);
    // A file marked as UTF-8 keeps its UTF-8 and reads only its stray bytes as Windows-1252.
    return marked ? toUtf8(fromUtf8(bytes)) : fromWindows1252(bytes);
}

CsvReader::CsvReader(std::string_view text) : text_(text), separator_(separatorOf(text))
{
    stops_[0] = separator_;
    stops_[1] = '\r';
    stops_[2] = '\n';
}

bool CsvReader::passLineEnd()
{
    if (at_ < text_.size() && text_[at_] == '\r')
        ++at_;
    else if (at_ >= text_.size() || text_[at_] != '\n')
        return false;
    if (at_ < text_.size() && text_[at_] == '\n')
        ++at_;
    return true;
}

void CsvReader::readCell(std::string& cell)
{
    cell.clear();
    if (at_ < text_.size() && text_[at_] == '"') {
        for (++at_;;) {
            const std::size_t quote = std::min(text_.find('"', at_), text_.size());
            cell.append(text_.substr(at_, quote - at_));
            at_ = std::min(quote + 1, text_.size());
            if (quote >= text_.size() || at_ >= text_.size() || text_[at_] != '"')
                break;
            cell.push_back('"'); // a doubled quote
            ++at_;
        }
    }
    // What stands outside quotes up to the separator or the line end, also after a closing
    // quote, as spreadsheets take it.
    const std::size_t end = std::min(text_.find_first_of({stops_, 3}, at_), text_.size());
    cell.append(text_.substr(at_, end - at_));
    at_ = end;
}

bool CsvReader::next(std::vector<std::string>& cells)
{
    if (at_ >= text_.size())
        return false;
    ++row_;
    std::size_t count = 0;
    for (;;) {
        if (count == cells.size())
            cells.emplace_back();
        readCell(cells[count++]);
        if (at_ < text_.size() && text_[at_] == separator_) {
            ++at_;
            continue;
        }
        passLineEnd();
        break;
    }
    cells.resize(count);
    return true;
}

bool isBlankRow(const std::vector<std::string>& cells)
{
    return std::all_of(cells.begin(), cells.end(), [](const std::string& cell) {
        return cell.find_first_not_of(" \t") == std::string::npos;
    });
}

} // namespace exchange
