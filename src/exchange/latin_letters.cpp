#include "exchange/latin_letters.h"

#include "store/cp1252.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace exchange {
namespace {

bool fits(char32_t ch)
{
    return store::encodeChar(ch).has_value();
}

// Made once per thread: making a transliterator reads its rules, which takes milliseconds; using
// one from two threads at once is not safe.
const icu::Transliterator* transliterator(const char* id)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> made(icu::Transliterator::createInstance(
        icu::UnicodeString::fromUTF8(id), UTRANS_FORWARD, status));
    return U_SUCCESS(status) ? made.release() : nullptr;
}

std::u32string transliterated(const icu::Transliterator* rules, std::u32string_view text)
{
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF32(
        reinterpret_cast<const UChar32*>(text.data()), static_cast<int32_t>(text.size()));
    if (rules != nullptr)
        rules->transliterate(unicode);
    std::u32string out(static_cast<std::size_t>(unicode.countChar32()), U'\0');
    UErrorCode status = U_ZERO_ERROR;
    unicode.toUTF32(reinterpret_cast<UChar32*>(out.data()), static_cast<int32_t>(out.size()),
                    status);
    return U_SUCCESS(status) ? out : std::u32string(text);
}

// Applies `rules` to every run of characters Windows-1252 cannot hold, leaving the rest.
std::u32string acrossUnfitRuns(const icu::Transliterator* rules, std::u32string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = at;
        while (end < text.size() && fits(text[end]) == fits(text[at]))
            ++end;
        const std::u32string_view run = text.substr(at, end - at);
        out += fits(text[at]) ? std::u32string(run) : transliterated(rules, run);
        at = end;
    }
    return out;
}

} // namespace

LatinText inWindows1252Letters(std::u32string_view text)
{
    LatinText latin{std::u32string(text)};
    if (fitsWindows1252(text))
        return latin;
    thread_local const std::unique_ptr<const icu::Transliterator> anyLatin(
        transliterator("Any-Latin"));
    thread_local const std::unique_ptr<const icu::Transliterator> latinAscii(
        transliterator("Latin-ASCII"));
    latin.text = acrossUnfitRuns(latinAscii.get(), acrossUnfitRuns(anyLatin.get(), text));
    for (char32_t& ch : latin.text) {
        if (!fits(ch)) {
            ch = U'?';
            latin.lost = true;
        }
    }
    // Letters were written only where the result differs from putting "?" for every character.
    std::u32string questionMarks(text);
    std::replace_if(questionMarks.begin(), questionMarks.end(), std::not_fn(fits), U'?');
    latin.transliterated = latin.text != questionMarks;
    return latin;
}

bool fitsWindows1252(std::u32string_view text)
{
    return std::all_of(text.begin(), text.end(), fits);
}

std::u32string readingInLatinLetters(std::u32string_view reading)
{
    if (fitsWindows1252(reading))
        return std::u32string(reading);
    thread_local const std::unique_ptr<const icu::Transliterator> readAloud(
        transliterator("Hiragana-Latin; Katakana-Latin; Any-Latin; Title"));
    return inWindows1252Letters(acrossUnfitRuns(readAloud.get(), reading)).text;
}

} // namespace exchange
