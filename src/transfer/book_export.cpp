#include "transfer/book_export.h"

#include "exchange/card_export.h"
#include "exchange/csv_export.h"
#include "store/data_file.h"
#include "transfer/book_files.h"

#include <vector>

namespace transfer {

ExportedBook exportBook(store::FileSystem& fs, BookFormat format)
{
    std::vector<store::ContactRecord> records;
    const auto exported = [&] {
        return ExportedBook{format == BookFormat::Csv ? exchange::exportCsv(records)
                                                      : exchange::exportCards(records),
                            records.size()};
    };
    if (!fs.exists(DataFileName))
        return exported(); // a CSV file still has its header
    store::DataFile data(fs, DataFileName);
    data.open();
    records.reserve(static_cast<std::size_t>(data.recordCount()));
    for (std::int32_t n = 1; n <= data.recordCount(); ++n)
        records.push_back(data.read(n));
    data.close();
    return exported();
}

} // namespace transfer
