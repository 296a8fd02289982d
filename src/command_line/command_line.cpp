#include "command_line/command_line.h"

#include "command_line/sync_commands.h"

#include "store/store_error.h"
#include "transfer/book_export.h"
#include "transfer/book_files.h"
#include "transfer/book_import.h"
#include "transfer/card_files.h"
#include "transfer/failure_text.h"

#include <iostream>

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

void importFiles(const std::vector<std::string>& paths, store::FileSystem& fs, std::ostream& out)
{
    const auto lock = fs.lockFolder([] {});
    std::vector<transfer::CardFile> files;
    for (const std::string& path : paths) {
        try {
            files.push_back(transfer::readCardFile(path));
        } catch (const transfer::MissingFile&) {
            throw Failure{UsageError, "no such file " + quoted(path) + "; nothing was imported"};
        }
    }
    transfer::recoverInterruptedWrites(fs);
    std::string summary;
    try {
        summary = transfer::importCards(fs, files).summary();
    } catch (const transfer::NotVCardFile& error) {
        throw Failure{UsageError, quoted(error.what()) + " is not a vCard file; nothing was imported"};
    }
    if (!summary.empty() && summary.back() != '\n')
        summary += '\n';
    out << summary;
}

void exportTo(const std::string& path, store::FileSystem& fs, std::ostream& out)
{
    transfer::ExportedBook book;
    {
        const auto lock = fs.lockFolder([] {});
        transfer::recoverInterruptedWrites(fs);
        book = transfer::exportBook(fs);
    }
    if (path != "-") {
        transfer::writeCardFile(path, book.cards);
        return;
    }
    out << book.cards;
}

int runOrThrow(const std::vector<std::string>& arguments, store::FileSystem& fs, std::ostream& out,
               std::ostream& err)
{
    const std::string& command = arguments.front();
    const std::vector<std::string> files(arguments.begin() + 1, arguments.end());
    if (command == "--help" || command == "--version") {
        if (!files.empty())
            throw Failure{UsageError, command + " takes no argument; found " + quoted(files[0])};
        out << (command == "--help" ? helpText() : versionText());
    } else if (command == "--import") {
        if (files.empty())
            throw Failure{UsageError, "--import needs at least one vCard file"};
        importFiles(files, fs, out);
    } else if (command == "--sync-setup") {
        return runSyncSetup(files, fs, out, err);
    } else if (command == "--sync") {
        if (!files.empty())
            throw Failure{UsageError, "--sync takes no argument; found " + quoted(files[0])};
        return runSync(fs, out, err);
    } else if (command == "--export") {
        if (files.size() != 1)
            throw Failure{UsageError, "--export needs exactly one file (- for standard output)"};
        exportTo(files[0], fs, out);
    } else {
        throw Failure{UsageError, "unknown option " + quoted(command) +
                                      "; zarvoth --help lists the commands"};
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
