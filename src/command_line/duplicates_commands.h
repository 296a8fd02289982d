#pragma once

#include "store/file_system.h"

#include <iosfwd>
#include <string>
#include <vector>

// --duplicates and --merge-duplicates: the contacts of the address book in the working
// directory that are one person, listed, or merged each into the first of them.
namespace command_line {

// `arguments` are those after the command; neither takes any.
int runDuplicates(const std::vector<std::string>& arguments, store::FileSystem& fs,
                  std::ostream& out, std::ostream& err);
int runMergeDuplicates(const std::vector<std::string>& arguments, store::FileSystem& fs,
                       std::ostream& out, std::ostream& err);

} // namespace command_line
