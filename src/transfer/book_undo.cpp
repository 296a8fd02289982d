#include "transfer/book_undo.h"

#include "store/compaction.h"
#include "store/data_file.h"
#include "transfer/book_files.h"

namespace transfer {
namespace {

std::vector<store::RecordBytes> readAll(store::DataFile& data)
{
    static_assert(sizeof(store::RecordBytes) == store::RecordSize, "records lie side by side");
    std::vector<store::RecordBytes> records(static_cast<std::size_t>(data.recordCount()));
    data.readRecords(
        1, {reinterpret_cast<std::uint8_t*>(records.data()), records.size() * store::RecordSize});
    return records;
}

} // namespace

std::vector<store::RecordBytes> storedRecords(store::FileSystem& fs)
{
    if (!fs.exists(DataFileName))
        return {};
    store::DataFile data(fs, DataFileName);
    data.open();
    std::vector<store::RecordBytes> records = readAll(data);
    data.close();
    return records;
}

UndoPlan takeBack(store::FileSystem& fs, const BookChange& change)
{
    store::DataFile data(fs, DataFileName);
    // A book deleted meanwhile is an empty one; the file is made only when something goes
    // back into it.
    if (fs.exists(DataFileName))
        data.open();
    UndoPlan plan =
        planUndo(change, data.isOpen() ? readAll(data) : std::vector<store::RecordBytes>{});
    if (plan.takenBack == 0) {
        data.close();
        return plan;
    }
    if (!data.isOpen())
        data.open();
    // The import's scratch name: what an undo stopped half-way leaves is only a file to throw
    // away, as an import's is.
    store::DataFile scratch(fs, ImportScratchName);
    store::replaceAllOrNothing(data, scratch, std::span<const store::RecordBytes>(plan.records));
    return plan;
}

} // namespace transfer
