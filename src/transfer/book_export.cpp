#include "transfer/book_export.h"

#include "exchange/card_export.h"
#include "exchange/csv_export.h"
#include "transfer/book_reading.h"

#include <vector>

namespace transfer {

ExportedBook exportBook(store::FileSystem& fs, BookFormat format)
{
    const std::vector<store::ContactRecord> records = readRecords(fs);
    // A book without a data file still exports: a CSV file still has its header.
    return ExportedBook{format == BookFormat::Csv ? exchange::exportCsv(records)
                                                  : exchange::exportCards(records),
                        records.size()};
}

} // namespace transfer
