#pragma once

#include "store/contact_record.h"

#include <span>
#include <string>

// CSV going out: a header of the window's captions, then one row per record in record order;
// UTF-8 with a byte-order mark (so that spreadsheets read it as UTF-8), CRLF, every cell
// quoted, and cells a spreadsheet would run as a formula guarded.
namespace exchange {

std::string exportCsv(std::span<const store::ContactRecord> records);

} // namespace exchange
