#pragma once

#include "store/file_system.h"

#include <iosfwd>
#include <string>
#include <vector>

// The commands of the program's command line, which need no display: --import (with --map),
// --export (with --format), --help and --version. Without arguments the program opens its window
// instead.
namespace command_line {

// How a command ended, as its exit status.
enum ExitStatus : int {
    Success = 0,
    // Reading or writing a file failed.
    FileFailure = 1,
    // The command line itself was wrong: an unknown option, a missing file, a file that is
    // neither vCard nor CSV, a CSV file whose columns are not placed. Nothing was changed.
    UsageError = 2,
};

// Runs the command the arguments (without the program's name) ask for, on the address book in
// the working directory; what it prints goes to `out`, messages to `err`, one line each.
int run(const std::vector<std::string>& arguments, store::FileSystem& fs, std::ostream& out,
        std::ostream& err);

// The texts of --help and --version.
std::string helpText();
std::string versionText();

} // namespace command_line
