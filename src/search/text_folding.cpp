#include "search/text_folding.h"

#include "store/cp1252.h"

#include <QChar>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>

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

using FoldTable = std::array<std::string, 256>;

FoldTable makeFoldTable()
{
    FoldTable table;
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t ch = store::decodeByte(static_cast<std::uint8_t>(byte));
        table[static_cast<std::size_t>(byte)] = foldTyped(QStringView(QString::fromUcs4(&ch, 1)));
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

void appendFoldedStored(std::string& out, std::string_view stored)
{
    static const FoldTable table = makeFoldTable();
    for (char byte : stored)
        out += table[static_cast<std::uint8_t>(byte)];
}

} // namespace search
