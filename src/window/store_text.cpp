#include "window/store_text.h"

#include "store/cp1252.h"

#include <QList>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

std::u32string codePoints(const QString& text)
{
    std::u32string points;
    points.reserve(static_cast<std::size_t>(text.size()));
    for (char32_t ch : text.toUcs4())
        points.push_back(ch);
    return points;
}

// Whether a byte from 0x80 to 0x9F is among the bytes: their top three bits are 100. Eight
// bytes are looked at in one step.
bool anyDiffersFromLatin1(std::string_view bytes)
{
    constexpr std::uint64_t ones = 0x0101010101010101;
    const auto wordDiffers = [&](std::size_t at) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + at, 8);
        // A byte of `mismatch` is zero where the byte's top three bits are 100.
        const std::uint64_t mismatch = (word & (0xE0 * ones)) ^ (0x80 * ones);
        return ((mismatch - ones) & ~mismatch & (0x80 * ones)) != 0;
    };
    if (bytes.size() < 8) {
        return std::any_of(bytes.begin(), bytes.end(), [](char byte) {
            return (static_cast<std::uint8_t>(byte) & 0xE0) == 0x80;
        });
    }
    for (std::size_t at = 0; at + 8 <= bytes.size(); at += 8) {
        if (wordDiffers(at))
            return true;
    }
    // The last word may overlap the one before.
    return bytes.size() % 8 != 0 && wordDiffers(bytes.size() - 8);
}

// Every byte widened to the character of the same value, four at a time: a list of every
// record decodes thousands of nicknames before the window first shows.
void widenLatin1(std::string_view bytes, char16_t* out)
{
    const auto widenFour = [](std::uint32_t four) {
        std::uint64_t wide = four;
        wide = (wide | (wide << 16)) & 0x0000FFFF0000FFFF;
        return (wide | (wide << 8)) & 0x00FF00FF00FF00FF;
    };
    std::size_t at = 0;
    for (; at + 4 <= bytes.size(); at += 4) {
        std::uint32_t four;
        std::memcpy(&four, bytes.data() + at, 4);
        const std::uint64_t wide = widenFour(four);
        std::memcpy(out + at, &wide, 8);
    }
    for (; at < bytes.size(); ++at)
        out[at] = char16_t(static_cast<std::uint8_t>(bytes[at]));
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
    // the others widen to their own value.
    if (!anyDiffersFromLatin1(bytes)) {
        widenLatin1(bytes, out);
        return;
    }
    std::transform(bytes.begin(), bytes.end(), out, [](char byte) {
        return static_cast<char16_t>(store::decodeByte(static_cast<std::uint8_t>(byte)));
    });
}

std::string toStore(const QString& text)
{
    return store::encodeLossy(codePoints(text));
}

std::optional<std::string> toStoreExact(const QString& text)
{
    return store::encodeExact(codePoints(text));
}

QList<QString> unstorableCharacters(const QString& text)
{
    QList<QString> lacking;
    for (const char32_t ch : text.toUcs4()) {
        if (store::encodeChar(ch))
            continue;
        const char32_t one[] = {ch};
        const QString character = QString::fromUcs4(one, 1);
        if (!lacking.contains(character))
            lacking.append(character);
    }
    return lacking;
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
