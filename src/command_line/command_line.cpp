#include "command_line/command_line.h"

#include "command_line/duplicates_commands.h"
#include "command_line/find_commands.h"
#include "command_line/sync_commands.h"
#include "search_provider/search_provider.h"

#include "exchange/content_line.h"
#include "store/store_error.h"
#include "transfer/book_export.h"
#include "transfer/book_files.h"
#include "transfer/book_import.h"
#include "transfer/card_files.h"
#include "transfer/failure_text.h"

#include <iostream>
#include <optional>

namespace command_line {
namespace {

// A failure of the command, told to the user in one line.
struct Failure {
    int status;
    std::string message;
};

std::string quoted(const std::string& name)
{
    return '"' + name + '"';
}

Failure failureOf(const store::StoreError& error)
{
    return {FileFailure, transfer::failureText(error)};
}

// The field a column seems to hold by what it holds, for the listing; empty for none.
std::string guessedField(const exchange::UnplacedColumns& why, std::size_t column)
{
    for (std::size_t field = 0; field < why.guessed.size(); ++field) {
        if (why.guessed[field] == column)
            return std::string(exchange::fieldName(exchange::ContactField(field)));
    }
    return {};
}

// The --map options that place the fields the columns seem to hold; empty when none does.
std::string guessedMaps(const exchange::UnplacedColumns& why)
{
    std::string maps;
    for (std::size_t field = 0; field < why.guessed.size(); ++field) {
        if (const auto column = why.guessed[field])
            maps += " --map " + std::string(exchange::fieldName(exchange::ContactField(field))) +
                    "=" + std::to_string(*column + 1);
    }
    return maps;
}

// The columns of a CSV file the import could not place, and how to place them: by what the
// columns seem to hold where the first rows tell, else by their places.
std::string unplacedMessage(const transfer::UnplacedColumnsFile& error)
{
    std::string message = quoted(error.file) + ": " + error.why.what() +
                          "; nothing was imported\nThe columns of " + quoted(error.file) + ":";
    for (std::size_t i = 0; i < error.why.header.size(); ++i) {
        message += "\n  " + std::to_string(i + 1) + "  " + quoted(error.why.header[i]);
        if (const std::string field = guessedField(error.why, i); !field.empty())
            message += "  (" + field + ", a guess)";
    }
    const std::string maps = guessedMaps(error.why);
    return message +
           "\nSay which column holds each field with --map FIELD=COLUMN, FIELD one of "
           "nick, full, family, city, phone and COLUMN a name or a number above; for example" +
           (maps.empty() ? ":" : " (a guess from what the columns hold):") +
           "\n  zarvoth --import " + quoted(error.file) +
           (maps.empty() ? " --map full=1 --map phone=2" : maps);
}

void importFiles(const std::vector<std::string>& paths,
                 const std::vector<exchange::ColumnRequest>& columns, store::FileSystem& fs,
                 std::ostream& out)
{
    const auto lock = fs.lockFolder([] {});
    std::vector<transfer::CardFile> files;
    for (const std::string& path : paths) {
        try {
            files.push_back(transfer::readCardFile(path));
            files.back().columns = columns;
        } catch (const transfer::MissingFile&) {
            throw Failure{UsageError, "no such file " + quoted(path) + "; nothing was imported"};
        }
    }
    transfer::recoverInterruptedWrites(fs);
    std::string summary;
    try {
        summary = transfer::importCards(fs, files).summary();
    } catch (const transfer::NotContactsFile& error) {
        throw Failure{UsageError,
                      quoted(error.what()) + " is neither vCard nor CSV; nothing was imported"};
    } catch (const transfer::UnplacedColumnsFile& error) {
        throw Failure{UsageError, unplacedMessage(error)};
    }
    if (!summary.empty() && summary.back() != '\n')
        summary += '\n';
    out << summary;
}

bool endsWithCsv(const std::string& path)
{
    return path.size() >= 4 && exchange::equalsIgnoringCase(path.substr(path.size() - 4), ".csv");
}

void exportTo(const std::string& path, transfer::BookFormat format, store::FileSystem& fs,
              std::ostream& out)
{
    transfer::ExportedBook book;
    {
        const auto lock = fs.lockFolder([] {});
        transfer::recoverInterruptedWrites(fs);
        book = transfer::exportBook(fs, format);
    }
    if (path != "-") {
        transfer::writeCardFile(path, book.cards);
        return;
    }
    out << book.cards;
}

// The options that go with a command, taken out of the arguments wherever they stand: each
// --map FIELD=COLUMN, and --format NAME.
struct Options {
    std::vector<std::string> rest;
    std::vector<exchange::ColumnRequest> columns;
    std::optional<transfer::BookFormat> format;
};

exchange::ColumnRequest columnRequest(const std::string& given)
{
    const auto equals = given.find('=');
    const auto field = exchange::fieldNamed(given.substr(0, equals));
    if (equals == std::string::npos || !field || equals + 1 == given.size())
        throw Failure{UsageError, "--map needs FIELD=COLUMN, FIELD one of nick, full, family, "
                                  "city, phone; found " +
                                      quoted(given)};
    return {*field, given.substr(equals + 1)};
}

Options takeOptions(const std::vector<std::string>& arguments)
{
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument != "--map" && argument != "--format") {
            options.rest.push_back(argument);
            continue;
        }
        if (i + 1 == arguments.size())
            throw Failure{UsageError, argument + " needs a value"};
        const std::string& value = arguments[++i];
        if (argument == "--map")
            options.columns.push_back(columnRequest(value));
        else if (value == "csv" || value == "vcard")
            options.format =
                value == "csv" ? transfer::BookFormat::Csv : transfer::BookFormat::VCard;
        else
            throw Failure{UsageError, "--format takes vcard or csv; found " + quoted(value)};
    }
    return options;
}

int runOrThrow(const std::vector<std::string>& arguments, store::FileSystem& fs, std::ostream& out,
               std::ostream& err)
{
    const Options options = takeOptions(arguments);
    if (options.rest.empty())
        throw Failure{UsageError,
                      "--map and --format go with a command; zarvoth --help lists them"};
    const std::string& command = options.rest.front();
    const std::vector<std::string> files(options.rest.begin() + 1, options.rest.end());
    if (!options.columns.empty() && command != "--import")
        throw Failure{UsageError, "--map goes with --import"};
    if (options.format && command != "--export")
        throw Failure{UsageError, "--format goes with --export"};
    if (command == "--help" || command == "--version") {
        if (!files.empty())
            throw Failure{UsageError, command + " takes no argument; found " + quoted(files[0])};
        out << (command == "--help" ? helpText() : versionText());
    } else if (command == "--import") {
        if (files.empty())
            throw Failure{UsageError, "--import needs at least one vCard or CSV file"};
        importFiles(files, options.columns, fs, out);
    } else if (command == "--sync-setup") {
        return runSyncSetup(files, fs, out, err);
    } else if (command == "--sync") {
        if (!files.empty())
            throw Failure{UsageError, "--sync takes no argument; found " + quoted(files[0])};
        return runSync(fs, out, err);
    } else if (command == "--find") {
        return runFind(files, fs, out, err);
    } else if (command == "--dial") {
        return runDial(files, fs, out, err);
    } else if (command == "--duplicates") {
        return runDuplicates(files, fs, out, err);
    } else if (command == "--merge-duplicates") {
        return runMergeDuplicates(files, fs, out, err);
    } else if (command == "--search-provider") {
        if (!files.empty())
            throw Failure{UsageError, command + " takes no argument; found " + quoted(files[0])};
        return search_provider::run(err);
    } else if (command == "--export") {
        if (files.size() != 1)
            throw Failure{UsageError, "--export needs exactly one file (- for standard output)"};
        const auto byName =
            endsWithCsv(files[0]) ? transfer::BookFormat::Csv : transfer::BookFormat::VCard;
        exportTo(files[0], options.format.value_or(byName), fs, out);
    } else {
        throw Failure{UsageError,
                      "unknown option " + quoted(command) + "; zarvoth --help lists the commands"};
    }
    // What could not be written out is lost too, behind a full disk for one.
    if (!(out << std::flush))
        throw Failure{FileFailure, "could not write to standard output"};
    return Success;
}

} // namespace

int run(const std::vector<std::string>& arguments, store::FileSystem& fs, std::ostream& out,
        std::ostream& err)
{
    Failure failure;
    try {
        return runOrThrow(arguments, fs, out, err);
    } catch (const Failure& caught) {
        failure = caught;
    } catch (const store::StoreError& error) {
        failure = failureOf(error);
    } catch (const std::exception& error) {
        failure = {FileFailure, error.what()};
    }
    err << "zarvoth: " << failure.message << std::endl;
    return failure.status;
}

} // namespace command_line
