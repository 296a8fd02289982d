#include "command_line/command_line.h"

namespace command_line {

std::string helpText()
{
    return "Usage: zarvoth [--import FILE... | --export FILE | --help | --version]\n"
           "\n"
           "Without arguments, opens the Zarvoth window on the contacts in the file\n"
           "\"datphone\" of the working directory.\n"
           "\n"
           "  --import FILE...  adds the contacts of each vCard file behind the stored ones,\n"
           "                    all of them or, when anything fails, none, and prints what\n"
           "                    was added, left out or changed to fit\n"
           "  --export FILE     writes every contact, in the stored order, to FILE as vCard\n"
           "                    3.0; FILE - is standard output\n"
           "  --help            shows this text\n"
           "  --version         shows the version\n"
           "\n"
           "Exit status: 0 done; 1 a file could not be read or written; 2 a wrong command\n"
           "line, a missing file or a file that is not vCard. On 1 and 2 \"datphone\" is\n"
           "unchanged.\n";
}

std::string versionText()
{
    return "zarvoth " ZARVOTH_VERSION "\n";
}

} // namespace command_line
