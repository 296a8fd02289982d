#include "search/text_folding.h"

#include "store/cp1252.h"

#include <QChar>
#include <QList>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace search {
namespace {

// Letters that are no accented form of another, and so keep their own in decomposition, but
// that people type as the plain letters they stand for.
QString plainLetters(char32_t ch)
{
    switch (ch) {
    case U'æ':
        return QStringLiteral("ae");
    case U'œ':
        return QStringLiteral("oe");
    case U'ø':
        return QStringLiteral("o");
    case U'ð':
    case U'đ':
        return QStringLiteral("d");
    case U'þ':
        return QStringLiteral("th");
    case U'ß':
        return QStringLiteral("ss");
    case U'ł':
        return QStringLiteral("l");
    case U'ı':
        return QStringLiteral("i");
    case U'ƒ':
        return QStringLiteral("f");
    default:
        return {};
    }
}

bool isMark(char32_t ch)
{
    const QChar::Category category = QChar::category(ch);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
           category == QChar::Mark_Enclosing;
}

// A byte's folded form, held in place: a scan folds every byte of every record. The longest of
// the set's characters ("¼" as "1⁄4") takes five bytes.
struct FoldedByte {
    std::array<char, MostFoldedBytes> bytes{};
    std::uint8_t size = 0;
};
using FoldTable = std::array<FoldedByte, 256>;

FoldTable makeFoldTable()
{
    FoldTable table;
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t ch = store::decodeByte(static_cast<std::uint8_t>(byte));
        const std::string folded = foldTyped(QStringView(QString::fromUcs4(&ch, 1)));
        FoldedByte& entry = table[static_cast<std::size_t>(byte)];
        entry.size = static_cast<std::uint8_t>(std::min(folded.size(), entry.bytes.size()));
        std::copy_n(folded.begin(), entry.size, entry.bytes.begin());
    }
    return table;
}

} // namespace

std::string foldTyped(QStringView text)
{
    // Compatibility decomposition also makes full-width letters and ligatures plain ones.
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (char32_t ch : decomposed.toUcs4()) {
        if (isMark(ch))
            continue;
        if (QChar::isSpace(ch) || QChar::category(ch) == QChar::Other_Control) {
            folded.append(u' ');
            continue;
        }
        const char32_t lower = QChar::toCaseFolded(ch);
        const QString plain = plainLetters(lower);
        folded.append(plain.isEmpty() ? QString::fromUcs4(&lower, 1) : plain);
    }
    return folded.toUtf8().toStdString();
}

char* foldStoredInto(std::string_view stored, char* out)
{
    static const FoldTable table = makeFoldTable();
    for (const char byte : stored) {
        const FoldedByte& folded = table[static_cast<std::uint8_t>(byte)];
        // Every form copied whole, as one word, and the end moved by its true length.
        std::memcpy(out, folded.bytes.data(), MostFoldedBytes);
        out += folded.size;
    }
    return out;
}

void appendFoldedStored(std::string& out, std::string_view stored)
{
    const std::size_t start = out.size();
    out.resize(start + stored.size() * MostFoldedBytes);
    out.resize(static_cast<std::size_t>(foldStoredInto(stored, out.data() + start) - out.data()));
}

} // namespace search
