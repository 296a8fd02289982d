#include "transfer/book_import.h"

#include "store/compaction.h"
#include "store/data_file.h"
#include "transfer/book_files.h"

#include <algorithm>

namespace transfer {
namespace {

// The stored nicknames, trimmed, which the imported ones must not repeat.
std::vector<std::string> storedNicknames(store::DataFile& data)
{
    std::vector<std::string> nicks;
    nicks.reserve(static_cast<std::size_t>(data.recordCount()));
    for (std::int32_t n = 1; n <= data.recordCount(); ++n)
        nicks.emplace_back(store::trimBlanks(data.view(n).nick()));
    return nicks;
}

} // namespace

exchange::ContactImport importCards(store::FileSystem& fs, const std::vector<CardFile>& files,
                                    BookChange* change)
{
    store::DataFile data(fs, DataFileName);
    store::DataFile scratch(fs, ImportScratchName);
    // A missing data file is an empty book, made only when there is something to add.
    if (fs.exists(DataFileName))
        data.open();
    const std::size_t room =
        static_cast<std::size_t>(std::max(store::MaxRecords - data.recordCount(), 0));
    exchange::ContactImport cards(
        data.isOpen() ? storedNicknames(data) : std::vector<std::string>(), room);
    for (const CardFile& file : files) {
        try {
            cards.readEither(file.bytes, file.name, file.columns);
        } catch (const exchange::NotContacts&) {
            throw NotContactsFile(file.name);
        } catch (const exchange::UnplacedColumns& why) {
            throw UnplacedColumnsFile(file.name, why);
        }
    }
    if (cards.records().empty()) {
        data.close();
        return cards;
    }
    if (!data.isOpen())
        data.open();
    const std::int32_t countBefore = data.recordCount();
    store::appendAllOrNothing(data, scratch, cards.records());
    if (change)
        *change = additionOf({}, countBefore, cards.records());
    return cards;
}

} // namespace transfer
