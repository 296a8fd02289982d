#pragma once

#include <QString>
#include <QUrl>

// The tel: URI under which the desktop's telephony program takes a number. The digits and
// "+", "*" and "#" are dialled; everything else of the number (blanks, the separators "-",
// ".", "(" and ")", letters and any other character) is left out. A number with nothing left
// gives the empty URI: there is nothing to call.
QUrl telUri(const QString& number);
