#include "command_line/command_line.h"

namespace command_line {

std::string helpText()
{
    return "Usage: zarvoth [--import FILE... [--map FIELD=COLUMN]... |\n"
           "               --export FILE [--format vcard|csv] |\n"
           "               --sync-setup URL --user NAME [--book NAME] [--password-stdin] |\n"
           "               --sync | --find TEXT | --dial WHO | --search-provider |\n"
           "               --help | --version]\n"
           "\n"
           "Without arguments, opens the Zarvoth window on the contacts in the file\n"
           "\"datphone\" of the working directory.\n"
           "\n"
           "  --import FILE...  adds the contacts of each vCard or CSV file behind the stored\n"
           "                    ones, all of them or, when anything fails, none, and prints\n"
           "                    what was added, left out or changed to fit\n"
           "  --map FIELD=COLUMN  says which column of a CSV file holds FIELD (nick, full,\n"
           "                    family, city or phone); COLUMN is the column's name in the\n"
           "                    first line or its number, counted from 1\n"
           "  --export FILE     writes every contact, in the stored order, to FILE as vCard\n"
           "                    3.0, or as CSV when FILE ends in .csv; FILE - is standard\n"
           "                    output\n"
           "  --format NAME     writes the export as vcard or csv, whatever FILE is called\n"
           "  --sync-setup URL --user NAME [--book NAME] [--password-stdin]\n"
           "                    finds the CardDAV address book at URL (the book, the\n"
           "                    user's home or the server), checks the password and\n"
           "                    remembers the book for these contacts\n"
           "  --oauth-issuer URL --client-id ID [--client-secret-stdin]\n"
           "                    with --sync-setup: signs in through the browser at that\n"
           "                    OAuth 2.0 server instead of a password; Google's CardDAV\n"
           "                    (https://www.googleapis.com/) needs only --client-id\n"
           "  --sync            syncs the contacts with that address book both ways and\n"
           "                    prints what came in, what went out and any conflict\n"
           "  --find TEXT       lists, one line each, the contacts whose nickname, full\n"
           "                    name, family name or city holds TEXT (case and accents\n"
           "                    ignored) or whose number holds TEXT's digits: nickname,\n"
           "                    full name, family name, city and the number as Dial\n"
           "                    dials it, separated by tabs\n"
           "  --dial WHO        calls the contact whose nickname is WHO, else the one\n"
           "                    contact --find WHO finds, as Dial does\n"
           "  --search-provider answers the desktop's search (GNOME Shell, KRunner) on the\n"
           "                    session bus; started by the bus itself\n"
           "  --show-found TEXT opens the window with the list narrowed to the contacts\n"
           "                    the words of TEXT find (the desktop's \"more results\")\n"
           "  --help            shows this text\n"
           "  --version         shows the version\n"
           "\n"
           "Exit status: 0 done; 1 a file could not be read or written; 2 a wrong command\n"
           "line, a missing file, a file that is neither vCard nor CSV, or a CSV file whose\n"
           "columns are not known (they are listed). On 1 and 2 \"datphone\" is unchanged.\n"
           "--sync: 0 done; 1 the server or a file failed (nothing is lost, the next sync\n"
           "picks up); 2 sync is not set up or a wrong command line.\n"
           "--find: 0 something was found; 1 nothing was; 2 a wrong command line or the\n"
           "contacts could not be read. --dial: 0 the call went to the telephone program;\n"
           "1 it could not (no program for tel: links, a number that cannot be dialled);\n"
           "2 WHO is no contact or several (they are listed), or a wrong command line.\n"
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
