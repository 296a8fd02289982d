#pragma once

#include <QString>

class TextBox;

// Whether a text is one character long: one code unit, or one character written as a
// surrogate pair.
bool isOneCharacter(const QString& text);

// The text with its first character in upper case and the rest as it was.
QString withCapitalFirst(const QString& text);

// The rule of the name boxes and the nickname box while the user types: a one-character
// text becomes upper case and the caret goes behind it with nothing selected, so the key
// being pressed lands after the first character: typing j, o, h, n gives "John".
void capitaliseFirstCharacter(TextBox* box);
