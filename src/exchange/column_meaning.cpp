#include "exchange/column_meaning.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <map>

namespace exchange {
namespace {

bool isAccent(UChar32 ch)
{
    return ch >= 0x300 && ch <= 0x36F; // the combining marks Latin, Greek and Cyrillic use
}

struct FoldedColumn {
    std::string name;
    ColumnMeaning meaning;
    std::size_t exporter; // which program and language writes it, counted from 0
};

// The tables once folded: English first, then every translation with the meaning of its
// English column.
struct FoldedTables {
    std::map<std::string, ColumnMeaning, std::less<>> english;
    std::vector<FoldedColumn> translated;
    std::size_t exporters = 0;
};

FoldedTables foldTables()
{
    FoldedTables tables;
    for (const EnglishColumn& column : englishColumns())
        tables.english.emplace(foldedHeader(column.name), column.meaning);
    std::vector<std::pair<Exporter, std::string_view>> exporters;
    for (const TranslatedColumn& column : translatedColumns()) {
        const std::pair exporter{column.program, column.language};
        auto found = std::find(exporters.begin(), exporters.end(), exporter);
        if (found == exporters.end())
            found = exporters.insert(exporters.end(), exporter);
        // A row whose English column is not in the table means nothing.
        const auto english = tables.english.find(foldedHeader(column.english));
        if (english != tables.english.end())
            tables.translated.push_back({foldedHeader(column.name), english->second,
                                         std::size_t(found - exporters.begin())});
    }
    tables.exporters = exporters.size();
    return tables;
}

const FoldedTables& tables()
{
    static const FoldedTables folded = foldTables();
    return folded;
}

// The program and language whose names the header holds most of; the first of them on a tie.
std::size_t likeliestExporter(const std::vector<std::string>& folded)
{
    std::vector<std::size_t> matches(tables().exporters);
    for (const FoldedColumn& column : tables().translated)
        matches[column.exporter] += std::count(folded.begin(), folded.end(), column.name);
    return std::size_t(std::max_element(matches.begin(), matches.end()) - matches.begin());
}

std::optional<ColumnMeaning> meaningOf(const std::string& name, std::size_t likeliest)
{
    if (const auto english = tables().english.find(name); english != tables().english.end())
        return english->second;
    std::optional<ColumnMeaning> meaning;
    for (const FoldedColumn& column : tables().translated) {
        if (column.name != name)
            continue;
        if (column.exporter == likeliest)
            return column.meaning;
        if (!meaning)
            meaning = column.meaning;
    }
    return meaning;
}

} // namespace

std::string foldedHeader(std::string_view header)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* decomposing = icu::Normalizer2::getNFDInstance(status);
    const icu::Normalizer2* composing = icu::Normalizer2::getNFCInstance(status);
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(header.data(), static_cast<int32_t>(header.size())));
    if (U_SUCCESS(status))
        text = decomposing->normalize(text, status);
    text.foldCase();
    icu::UnicodeString out;
    bool blank = false;
    for (int32_t at = 0; at < text.length(); at = text.moveIndex32(at, 1)) {
        const UChar32 ch = text.char32At(at);
        if (isAccent(ch))
            continue;
        if (u_isUWhiteSpace(ch)) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out.append(UChar32(U' '));
        blank = false;
        out.append(ch);
    }
    // Composed again, so that a kana keeps its voicing mark in one character.
    if (U_SUCCESS(status))
        out = composing->normalize(out, status);
    std::string folded;
    out.toUTF8String(folded);
    return folded;
}

std::vector<std::optional<ColumnMeaning>> meaningsOf(const std::vector<std::string>& header)
{
    std::vector<std::string> folded;
    folded.reserve(header.size());
    for (const std::string& name : header)
        folded.push_back(foldedHeader(name));
    const std::size_t likeliest = likeliestExporter(folded);
    std::vector<std::optional<ColumnMeaning>> meanings;
    meanings.reserve(header.size());
    for (const std::string& name : folded)
        meanings.push_back(meaningOf(name, likeliest));
    return meanings;
}

} // namespace exchange
