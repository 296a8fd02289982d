#include "command_line/duplicates_commands.h"

#include "command_line/command_line.h"
#include "command_line/find_commands.h"
#include "search/shown_contact.h"
#include "store/store_error.h"
#include "sync/state/merge_notes.h"
#include "sync/state/state_file.h"
#include "transfer/book_files.h"
#include "transfer/book_merge.h"
#include "transfer/book_reading.h"
#include "transfer/failure_text.h"

#include <ostream>

namespace command_line {
namespace {

std::string nickOf(const store::ContactRecord& record)
{
    return '"' + search::shownField(record.Nick.text()).toStdString() + '"';
}

void listGroup(const transfer::DuplicateGroup& group, std::ostream& out)
{
    out << group.members.size() << " contacts, one person:\n";
    for (const store::ContactRecord& member : group.members)
        out << "  " << listingLine(member);
}

void tellMerge(const transfer::DuplicateGroup& group, std::ostream& out)
{
    out << "Merged into " << nickOf(group.members.front()) << ":";
    for (std::size_t i = 1; i < group.members.size(); ++i)
        out << (i == 1 ? " " : ", ") << nickOf(group.members[i]);
    out << "\n  " << listingLine(group.merged);
}

int refuseArguments(const std::vector<std::string>& arguments, const char* command,
                    std::ostream& err)
{
    err << "zarvoth: " << command << " takes no argument; found \"" << arguments.front() << '"'
        << std::endl;
    return UsageError;
}

int finish(std::ostream& out, std::ostream& err)
{
    if (out << std::flush)
        return Success;
    err << "zarvoth: could not write to standard output" << std::endl;
    return FileFailure;
}

} // namespace

int runDuplicates(const std::vector<std::string>& arguments, store::FileSystem& fs,
                  std::ostream& out, std::ostream& err)
{
    if (!arguments.empty())
        return refuseArguments(arguments, "--duplicates", err);
    try {
        const auto groups = transfer::duplicatesIn(transfer::readBook(fs), numbers::localNumbers());
        if (groups.empty())
            out << "No duplicates.\n";
        for (std::size_t i = 0; i < groups.size(); ++i) {
            out << (i == 0 ? "" : "\n");
            listGroup(groups[i], out);
        }
    } catch (const store::StoreError& error) {
        err << "zarvoth: " << transfer::failureText(error) << std::endl;
        return FileFailure;
    }
    return finish(out, err);
}

int runMergeDuplicates(const std::vector<std::string>& arguments, store::FileSystem& fs,
                       std::ostream& out, std::ostream& err)
{
    if (!arguments.empty())
        return refuseArguments(arguments, "--merge-duplicates", err);
    transfer::BookMerge merge;
    try {
        const auto lock = fs.lockFolder([] {});
        transfer::recoverInterruptedWrites(fs);
        // The sync is told before the file is written: a merge it cannot be told of would
        // let it delete the merged cards without giving the kept one what they hold.
        merge = transfer::mergeDuplicates(fs, numbers::localNumbers(), {}, [&](auto groups) {
            syncing::noteMergedRecords(fs, syncing::mergedRecordsOf(groups));
        });
    } catch (const store::StoreError& error) {
        err << "zarvoth: " << transfer::failureText(error) << std::endl;
        return FileFailure;
    } catch (const syncing::BadStateFile& error) {
        err << "zarvoth: " << syncing::damagedStateText(error) << std::endl;
        return FileFailure;
    }
    if (merge.merged.empty())
        out << "No duplicates.\n";
    std::size_t removed = 0;
    for (const transfer::DuplicateGroup& group : merge.merged) {
        tellMerge(group, out);
        removed += group.members.size() - 1;
    }
    if (!merge.merged.empty())
        out << removed + merge.merged.size() << " contacts merged into " << merge.merged.size()
            << ".\n";
    return finish(out, err);
}

} // namespace command_line
