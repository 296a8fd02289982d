#pragma once

#include "store/contact_record.h"

#include <QString>

#include <string_view>

// A found contact as a list of results shows it, on one line each.
namespace search {

// A stored field trimmed, a tab, line break or other control character a file may hold made a
// blank: a contact always stays on its line.
QString shownField(std::string_view stored);

// "Ann Example" from the full name "Ann" and the family name "Example", and the full name
// alone when it holds the family name already; the nickname when both are blank.
QString shownName(const store::ContactRecord& record);

} // namespace search
