#include "transfer/book_import.h"

#include "store/compaction.h"
#include "store/data_file.h"
#include "transfer/book_files.h"

#include <algorithm>

namespace transfer {
namespace {

// The stored records, which the imported ones must not repeat: neither their nicknames nor the
// people they are.
std::vector<store::ContactRecord> storedRecords(store::DataFile& data)
{
    std::vector<store::ContactRecord> records;
    records.reserve(static_cast<std::size_t>(data.recordCount()));
    for (std::int32_t n = 1; n <= data.recordCount(); ++n)
        records.push_back(data.read(n));
    return records;
}

// The contacts filled in and the added ones behind them, in one step.
void writeFilledAndAdded(store::DataFile& data, store::DataFile& scratch,
                         const exchange::ContactImport& cards)
{
    std::vector<store::ContactRecord> book = cards.storedAfterFilling();
    std::int32_t position = static_cast<std::int32_t>(book.size());
    for (store::ContactRecord record : cards.records()) {
        record.RecordNo = static_cast<std::int16_t>(++position);
        book.push_back(record);
    }
    store::replaceAllOrNothing(data, scratch, book);
}

// What an import that filled in stored contacts wrote, for Undo: those contacts written anew in
// their places, and the added ones behind the rest.
BookChange filledAndAddedChange(const exchange::ContactImport& cards)
{
    std::vector<store::ContactRecord> stored = cards.storedAfterFilling();
    std::vector<Rewritten> rewritten;
    for (const exchange::FilledContact& filled : cards.filled()) {
        stored[filled.index] = filled.before;
        rewritten.push_back(
            {static_cast<std::int32_t>(filled.index + 1), store::encodeRecord(filled.after)});
    }
    std::vector<store::RecordBytes> before;
    before.reserve(stored.size());
    for (const store::ContactRecord& record : stored)
        before.push_back(store::encodeRecord(record));
    std::vector<store::RecordBytes> appended;
    std::int32_t place = static_cast<std::int32_t>(stored.size());
    for (store::ContactRecord record : cards.records()) {
        record.RecordNo = static_cast<std::int16_t>(++place);
        appended.push_back(store::encodeRecord(record));
    }
    return changeOf({}, before, {}, rewritten, appended);
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
    exchange::ContactImport cards(data.isOpen() ? storedRecords(data)
                                                : std::vector<store::ContactRecord>(),
                                  room, numbers::localNumbers());
    for (const CardFile& file : files) {
        try {
            cards.readEither(file.bytes, file.name, file.columns);
        } catch (const exchange::NotContacts&) {
            throw NotContactsFile(file.name);
        } catch (const exchange::UnplacedColumns& why) {
            throw UnplacedColumnsFile(file.name, why);
        }
    }
    // A file of contacts the book holds already, each as it is, leaves the data file untouched.
    if (cards.records().empty() && cards.filled().empty()) {
        data.close();
        return cards;
    }
    if (!data.isOpen())
        data.open();
    const std::int32_t countBefore = data.recordCount();
    if (cards.filled().empty()) {
        store::appendAllOrNothing(data, scratch, cards.records());
        if (change)
            *change = additionOf({}, countBefore, cards.records());
    } else {
        writeFilledAndAdded(data, scratch, cards);
        if (change)
            *change = filledAndAddedChange(cards);
    }
    return cards;
}

} // namespace transfer
