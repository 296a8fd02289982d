#pragma once

#include <string>
#include <string_view>

// Names in other alphabets written in Latin letters, so that a contact named "Иван" can still be
// found as "Ivan" in a file that holds only Windows-1252.
namespace exchange {

struct LatinText {
    std::u32string text;
    // Some characters were written in Latin letters.
    bool transliterated = false;
    // Some characters had no Latin spelling either and became "?".
    bool lost = false;
};

// Every run of characters Windows-1252 cannot hold is written in Latin letters (ICU's
// Any-Latin), and what Windows-1252 still lacks of those letters loses its marks (Latin-ASCII):
// "Иван" gives "Ivan", "北京" "bei jing", "Ελένη" "Eléne". Characters Windows-1252 holds stay
// as they are; what has no Latin spelling becomes "?".
LatinText inWindows1252Letters(std::u32string_view text);

// Whether Windows-1252 holds every character of the text.
bool fitsWindows1252(std::u32string_view text);

// How a name is read, as the file can hold it: kana by ICU's Hiragana-Latin and Katakana-Latin,
// any other script by Any-Latin, each word so written beginning with a capital as a name does
// ("やまもと" gives "Yamamoto", "たろう" "Tarou"); a reading in Latin letters stays as it is.
std::u32string readingInLatinLetters(std::u32string_view reading);

} // namespace exchange
