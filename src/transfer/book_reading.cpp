#include "transfer/book_reading.h"

#include "store/data_file.h"
#include "transfer/book_files.h"

namespace transfer {

std::vector<store::ContactRecord> readBook(store::FileSystem& fs)
{
    const auto lock = fs.lockFolder([] {});
    // A deletion or an import stopped half-way is mended first, so that the contacts read are
    // those the window will show.
    recoverInterruptedWrites(fs);
    return readRecords(fs);
}

std::vector<store::ContactRecord> readRecords(store::FileSystem& fs)
{
    std::vector<store::ContactRecord> records;
    if (!fs.exists(DataFileName))
        return records;
    store::DataFile data(fs, DataFileName);
    data.open();
    try {
        records.reserve(static_cast<std::size_t>(data.recordCount()));
        for (std::int32_t n = 1; n <= data.recordCount(); ++n)
            records.push_back(data.read(n));
    } catch (...) {
        data.close();
        throw;
    }
    data.close();
    return records;
}

} // namespace transfer
