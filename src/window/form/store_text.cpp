#include "window/form/store_text.h"

#include "store/cp1252.h"

#include <QList>
#include <QStringView>

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

std::u32string codePoints(const QString& text)
{
    std::u32string points;
    points.reserve(static_cast<std::size_t>(text.size()));
    for (char32_t ch : text.toUcs4())
        points.push_back(ch);
    return points;
}

// Every byte widened to the character of the same value; false when a byte is one from 0x80 to
// 0x9F, where Windows-1252 differs from Latin-1 (their top three bits are 100), and the
// characters are then to be written again.
bool widenEachByte(std::string_view bytes, char16_t* out)
{
    bool same = true;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        const auto byte = static_cast<std::uint8_t>(bytes[at]);
        out[at] = char16_t(byte);
        same = same && (byte & 0xE0) != 0x80;
    }
    return same;
}

#if defined(__SSE2__)

// Eight bytes widened to the characters of the same value; true when one of them is from 0x80
// to 0x9F, where Windows-1252 differs from Latin-1 (their top three bits are 100).
bool widenEight(const char* bytes, char16_t* out)
{
    const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_unpacklo_epi8(eight, _mm_setzero_si128()));
    const __m128i top = _mm_and_si128(eight, _mm_set1_epi8(char(0xE0)));
    return (_mm_movemask_epi8(_mm_cmpeq_epi8(top, _mm_set1_epi8(char(0x80)))) & 0xFF) != 0;
}

// As widenEachByte, eight bytes at a step: a list of every record decodes thousands of
// nicknames before the window first shows.
bool widenLatin1(std::string_view bytes, char16_t* out)
{
    if (bytes.size() < 8)
        return widenEachByte(bytes, out);
    bool differs = false;
    std::size_t at = 0;
    for (; at + 8 <= bytes.size(); at += 8)
        differs |= widenEight(bytes.data() + at, out + at);
    // The last eight may overlap the eight before; they are written alike.
    if (at < bytes.size())
        differs |= widenEight(bytes.data() + bytes.size() - 8, out + bytes.size() - 8);
    return !differs;
}

#else

bool widenLatin1(std::string_view bytes, char16_t* out)
{
    return widenEachByte(bytes, out);
}

#endif

// Decodes into `out`, which has room for one character per byte.
void fromStoreInto(std::string_view bytes, char16_t* out)
{
    // Latin-1 and Windows-1252 differ only in the bytes 0x80 to 0x9F, which few texts hold:
    // the others widen to their own value.
    if (widenLatin1(bytes, out))
        return;
    std::transform(bytes.begin(), bytes.end(), out, [](char byte) {
        return static_cast<char16_t>(store::decodeByte(static_cast<std::uint8_t>(byte)));
    });
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
