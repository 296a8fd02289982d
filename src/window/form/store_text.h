#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

// The one place where the window's text (QString) meets the store's text (bytes of the
// file's 8-bit character set).

// Decodes stored bytes; every byte gives one character.
QString fromStore(std::string_view bytes);

// Encodes a text for storing: one byte per character, '?' for a character the set lacks.
std::string toStore(const QString& text);

// The bytes of a text, or nothing when some character cannot be stored; such a text never
// equals a stored one.
std::optional<std::string> toStoreExact(const QString& text);

// The characters of a text that the file's character set lacks, each once, in the order they
// first come; empty when every character can be stored.
QList<QString> unstorableCharacters(const QString& text);

// Removes blanks (U+0020, and nothing else) from both ends.
QString trimBlanks(const QString& text);

// Upper case, character for character: the text keeps its length (a lone "ß" stays one
// character), so a caret placed after the first character still stands there.
QString toUpperKeepingLength(const QString& text);
