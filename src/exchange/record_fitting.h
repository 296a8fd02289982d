#pragma once

#include "exchange/contact_draft.h"
#include "store/contact_record.h"

#include <string>
#include <vector>

// A draft fitted into the record the data file holds, every change noted.
namespace exchange {

// Control characters (line breaks, tabs) become blanks.
std::u32string withoutControls(std::u32string_view text);

// Control characters become blanks, names and city are trimmed (a stored number keeps its
// blanks), characters Windows-1252 cannot hold are written in Latin letters (or, without a
// Latin spelling, become "?"), every field is cut to its width.
// RecordNo stays 0.
store::ContactRecord fitDraft(const ContactDraft& draft, std::vector<FieldChange>& changes);

} // namespace exchange
