#pragma once

#include "store/contact_record.h"
#include "store/file_system.h"

#include <iosfwd>
#include <string>
#include <vector>

// --find and --dial: a contact of the address book in the working directory found from the
// command line, listed for scripts and launchers, or called as Dial calls it.
namespace command_line {

// Exit statuses of --find, as grep's: something found, nothing found, an error.
enum FindStatus : int { Found = 0, NoneFound = 1, FindFailed = 2 };

// One contact's line of a listing: nickname, full name, family name, city and the number as
// Dial dials it, tab-separated, ending in a newline.
std::string listingLine(const store::ContactRecord& record);

// `arguments` are those after --find: the one text to look for.
int runFind(const std::vector<std::string>& arguments, store::FileSystem& fs, std::ostream& out,
            std::ostream& err);

// `arguments` are those after --dial: the one contact to call, by its nickname or by what
// --find finds it by.
int runDial(const std::vector<std::string>& arguments, store::FileSystem& fs, std::ostream& out,
            std::ostream& err);

} // namespace command_line
