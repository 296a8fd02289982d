#include "window/store_text.h"

#include "store/cp1252.h"

#include <QList>
#include <QStringView>

namespace {

std::u32string codePoints(const QString& text)
{
    std::u32string points;
    points.reserve(static_cast<std::size_t>(text.size()));
    for (char32_t ch : text.toUcs4())
        points.push_back(ch);
    return points;
}

} // namespace

QString fromStore(std::string_view bytes)
{
    QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    // Latin-1 and Windows-1252 differ only in the bytes 0x80 to 0x9F.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch >= 0x80 && ch <= 0x9F)
            text[i] =
                QChar(static_cast<char16_t>(store::decodeByte(static_cast<std::uint8_t>(ch))));
    }
    return text;
}

std::string toStore(const QString& text)
{
    return store::encodeLossy(codePoints(text));
}

std::optional<std::string> toStoreExact(const QString& text)
{
    return store::encodeExact(codePoints(text));
}

QString trimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

QString toUpperKeepingLength(const QString& text)
{
    QString upper;
    upper.reserve(text.size());
    for (char32_t ch : text.toUcs4()) {
        const char32_t mapped = QChar::toUpper(ch);
        const char32_t one[] = {mapped};
        upper += QString::fromUcs4(one, 1);
    }
    return upper;
}
