#include "command_line/command_line.h"

namespace command_line {

std::string helpText()
{
    return "Usage: zarvoth [--import FILE... | --export FILE | --sync-setup URL --user NAME\n"
           "               [--book NAME] [--password-stdin] | --sync | --help | --version]\n"
           "\n"
           "Without arguments, opens the Zarvoth window on the contacts in the file\n"
           "\"datphone\" of the working directory.\n"
           "\n"
           "  --import FILE...  adds the contacts of each vCard file behind the stored ones,\n"
           "                    all of them or, when anything fails, none, and prints what\n"
           "                    was added, left out or changed to fit\n"
           "  --export FILE     writes every contact, in the stored order, to FILE as vCard\n"
           "                    3.0; FILE - is standard output\n"
           "  --sync-setup URL --user NAME [--book NAME] [--password-stdin]\n"
           "                    finds the CardDAV address book at URL (the book, the\n"
           "                    user's home or the server), checks the password and\n"
           "                    remembers the book for these contacts\n"
           "  --sync            syncs the contacts with that address book both ways and\n"
           "                    prints what came in, what went out and any conflict\n"
           "  --help            shows this text\n"
           "  --version         shows the version\n"
           "\n"
           "Exit status: 0 done; 1 a file could not be read or written; 2 a wrong command\n"
           "line, a missing file or a file that is not vCard. On 1 and 2 \"datphone\" is\n"
           "unchanged. --sync: 0 done; 1 the server or a file failed (nothing is lost, the\n"
           "next sync picks up); 2 sync is not set up or a wrong command line.\n"
           "\n"
           "The password of a sync comes from the desktop's keyring, else ~/.netrc (when\n"
           "only you may read it), else a prompt on the terminal; it is never taken on the\n"
           "command line.\n";
}

std::string versionText()
{
    return "zarvoth " ZARVOTH_VERSION "\n";
}

} // namespace command_line
