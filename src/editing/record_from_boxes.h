#pragma once

#include "store/contact_record.h"
#include "store/fixed_text.h"
#include "window/form/store_text.h"

#include <QString>

#include <string>

class Form1x;

// The record that SAVE would store from the boxes as they stand: every text trimmed and put
// into its field (padded or cut), the check boxes as 0 or 1. RecordNo is left 0.
store::ContactRecord recordFromBoxes(const Form1x& window);

// Whether two records hold the same texts once trimmed; the check values and RecordNo are not
// compared.
bool sameTexts(const store::ContactRecord& a, const store::ContactRecord& b);

// A box's text as SAVE stores it: without control characters, which no key types and which
// come into a box only from a damaged record (a zero-byte fill, stray bytes), and with the
// blanks at both ends trimmed. What SAVE writes is thus always plain text padded with blanks.
QString storableText(const QString& text);

// A text as a field of Width characters stores it and as it is then compared: made storable,
// cut to the width, trimmed again.
template <std::size_t Width> std::string storedForm(const QString& text)
{
    return std::string(store::FixedText<Width>(toStore(storableText(text))).trimmed());
}
