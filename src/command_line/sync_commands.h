#pragma once

#include "store/file_system.h"

#include <iosfwd>
#include <string>
#include <vector>

// --sync-setup and --sync: the address book in the working directory and a CardDAV address
// book, kept the same both ways.
namespace command_line {

// `arguments` are those after --sync-setup.
int runSyncSetup(const std::vector<std::string>& arguments, store::FileSystem& fs,
                 std::ostream& out, std::ostream& err);

int runSync(store::FileSystem& fs, std::ostream& out, std::ostream& err);

} // namespace command_line
