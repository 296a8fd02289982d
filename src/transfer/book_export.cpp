#include "transfer/book_export.h"

#include "exchange/card_export.h"
#include "store/data_file.h"
#include "transfer/book_files.h"

#include <vector>

namespace transfer {

ExportedBook exportBook(store::FileSystem& fs)
{
    if (!fs.exists(DataFileName))
        return {};
    store::DataFile data(fs, DataFileName);
    data.open();
    std::vector<store::ContactRecord> records;
    records.reserve(static_cast<std::size_t>(data.recordCount()));
    for (std::int32_t n = 1; n <= data.recordCount(); ++n)
        records.push_back(data.read(n));
    data.close();
    return {exchange::exportCards(records), records.size()};
}

} // namespace transfer
