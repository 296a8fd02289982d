#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// What of a composed number is dialled. The digits and "+", "*" and "#" are dialled. Blanks
// (the fill of the boxes, or any other white space) and the separators "-", ".", "(" and ")"
// that numbers are written with carry no digit, so leaving them out calls the same number.
// Any other character (a letter, a comma, a slash, a digit of another script) would make a
// different number if it were left out, so it cannot be dialled at all.

// The characters of `number` that cannot be dialled, each once, in the order they first come.
QStringList undialableCharacters(const QString& number);

// The tel: URI under which the desktop's telephony program takes the number: only what is
// dialled, "#" sent as %23. The empty URI when there is nothing to call: no digit at all, or a
// character that cannot be dialled.
QUrl telUri(const QString& number);
