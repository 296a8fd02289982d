#include "window/store_text.h"

#include "store/cp1252.h"

#include <QList>
#include <QStringView>

#include <algorithm>
#include <cstdint>

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
    if (bytes.empty())
        return QString::fromLatin1(bytes.data(), 0); // null for a view of nothing
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    fromStoreInto(bytes, reinterpret_cast<char16_t*>(text.data()));
    return text;
}

void fromStoreInto(std::string_view bytes, char16_t* out)
{
    // Latin-1 and Windows-1252 differ only in the bytes 0x80 to 0x9F, which few texts hold:
    // the bytes are widened in one pass, and only a text that holds such a byte is looked at
    // again.
    bool differs = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto value = static_cast<std::uint8_t>(bytes[i]);
        out[i] = value;
        differs |= value >= 0x80 && value <= 0x9F;
    }
    if (!differs)
        return;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char16_t>(store::decodeByte(static_cast<std::uint8_t>(bytes[i])));
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
