#include "search/contact_matching.h"

#include "exchange/dialled_number.h"
#include "exchange/latin_letters.h"
#include "search/text_folding.h"
#include "store/cp1252.h"

#include <QChar>

#include <algorithm>
#include <array>

namespace search {
namespace {

// No field holds more than 25 characters and no number more than 33 digits: a longer word,
// however its letters fold, is no one's, and looking for it would only cost time.
constexpr qsizetype LongestWord = 256;
// The four fields hold at most a hundred characters; a person never types this many words.
constexpr std::size_t MostWords = 64;

bool fitsTheFile(const QString& text)
{
    const QList<uint> points = text.toUcs4();
    return std::all_of(points.begin(), points.end(),
                       [](uint ch) { return store::encodeChar(ch).has_value(); });
}

// A name in another alphabet is looked for as the file holds it: written in Latin letters
// the way an import writes it, so "Иван" finds the "Ivan" imported from it.
QString inTheFilesLetters(const QString& typed)
{
    if (fitsTheFile(typed))
        return typed;
    const QList<uint> ucs4 = typed.toUcs4();
    const std::u32string points(ucs4.begin(), ucs4.end());
    const std::u32string latin = exchange::inWindows1252Letters(points).text;
    return QString::fromUcs4(latin.data(), static_cast<qsizetype>(latin.size()));
}

// The four text fields, trimmed and folded, one to a line, the nickname first: a word found in
// them lies within one field, since no folded word holds a line break.
class FoldedFields {
public:
    explicit FoldedFields(const store::ContactRecord& record)
    {
        char* end = buffer_.data();
        for (const std::string_view field : {record.Nick.text(), record.FullName.text(),
                                             record.FamilyName.text(), record.City.text()}) {
            end = foldStoredInto(store::trimBlanks(field), end);
            *end++ = '\n';
        }
        text_ = std::string_view(buffer_.data(), static_cast<std::size_t>(end - buffer_.data()));
    }

    std::string_view text() const { return text_; }

private:
    // Room for the longest form of every byte of the four fields, and their line breaks.
    std::array<char, (15 + 25 + 25 + 25) * MostFoldedBytes + 4> buffer_;
    std::string_view text_;
};

std::string dialledDigits(const store::ContactRecord& record)
{
    std::string digits = exchange::dialledNumber(record);
    std::erase_if(digits, [](char ch) { return ch < '0' || ch > '9'; });
    return digits;
}

bool beginsAWord(std::string_view fields, std::string_view word)
{
    for (auto at = fields.find(word); at != std::string_view::npos;
         at = fields.find(word, at + 1)) {
        if (at == 0 || fields[at - 1] == ' ' || fields[at - 1] == '\n' || fields[at - 1] == '-')
            return true;
    }
    return false;
}

} // namespace

std::string digitsOfNumber(const QString& text)
{
    std::string digits;
    for (const char32_t ch : text.toUcs4()) {
        if (QChar::category(ch) == QChar::Number_DecimalDigit && QChar::digitValue(ch) >= 0)
            digits.push_back(static_cast<char>('0' + QChar::digitValue(ch)));
        else if (!QChar::isSpace(ch) &&
                 std::u32string_view(U"+*#-./()").find(ch) == std::u32string_view::npos)
            return {};
    }
    return digits;
}

ContactQuery ContactQuery::fromText(const QString& text)
{
    ContactQuery query;
    query.add(text);
    return query;
}

ContactQuery ContactQuery::fromTerms(const QStringList& terms)
{
    ContactQuery query;
    for (const QString& term : terms) {
        if (query.findsNothing_)
            break;
        query.add(term);
    }
    return query;
}

void ContactQuery::add(const QString& typed)
{
    if (typed.size() > LongestWord) {
        findsNothing_ = true;
        return;
    }
    const QString word = typed.simplified();
    Term term{foldTyped(inTheFilesLetters(word)), digitsOfNumber(word)};
    if (term.folded.empty() || term.folded == " ")
        return;
    const bool known = std::any_of(terms_.begin(), terms_.end(),
                                   [&](const Term& other) { return other.folded == term.folded; });
    if (known)
        return;
    terms_.push_back(std::move(term));
    findsNothing_ = terms_.size() > MostWords;
}

bool ContactQuery::found(const store::ContactRecord& record, std::string_view fields) const
{
    std::string digits;
    bool digitsTaken = false;
    for (const Term& term : terms_) {
        if (fields.find(term.folded) != std::string_view::npos)
            continue;
        if (term.digits.empty())
            return false;
        if (!std::exchange(digitsTaken, true))
            digits = dialledDigits(record);
        if (digits.find(term.digits) == std::string::npos)
            return false;
    }
    return true;
}

bool ContactQuery::matches(const store::ContactRecord& record) const
{
    if (findsNothing_)
        return false;
    if (terms_.empty())
        return true;
    return found(record, FoldedFields(record).text());
}

std::optional<int> ContactQuery::closenessIfFound(const store::ContactRecord& record) const
{
    if (findsNothing_)
        return std::nullopt;
    const FoldedFields folded(record);
    const std::string_view fields = folded.text();
    if (!found(record, fields))
        return std::nullopt;
    if (terms_.size() == 1 &&
        std::string_view(fields).substr(0, fields.find('\n')) == terms_.front().folded)
        return 0;
    const bool wordStarts = std::all_of(terms_.begin(), terms_.end(), [&](const Term& term) {
        return beginsAWord(fields, term.folded);
    });
    return wordStarts ? 1 : 2;
}

} // namespace search
