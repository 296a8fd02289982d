// Feeds arbitrary bytes to the CSV reader as a file to import into a book that already holds
// two nicknames, with the columns found by their names or, for some inputs, placed by number:
// it must not crash, every contact it takes must obey the rules of a stored contact, it may
// take no more than the room, a file whose columns cannot be placed takes nothing, and the
// CSV export of what it took must import into an empty book as the very same records.
#include "exchange/contact_import.h"
#include "exchange/csv_export.h"
#include "exchange/csv_text.h"
#include "stored_rules.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> stored = {"Bob", "x"};
    const std::size_t room = size % 5 == 0 ? 2 : 1000;
    std::vector<exchange::ColumnRequest> columns;
    if (size % 3 == 0)
        columns = {{exchange::ContactField::Phone, "2"}, {exchange::ContactField::Nick, "1"}};
    exchange::ContactImport import(stored, room);
    try {
        import.readCsv(bytes, "fuzz.csv", columns);
    } catch (const exchange::NotContacts&) {
        require(exchange::csvTextAsUtf8(bytes).empty(), "only a file without text has no header");
        require(import.records().empty(), "a refused file takes nothing");
        return 0;
    } catch (const exchange::UnplacedColumns& refusal) {
        require(import.records().empty() && import.leftOut().empty(),
                "unplaced columns take nothing");
        require(refusal.firstRows.size() <= 5, "a few rows to choose by");
        return 0;
    }
    const auto& records = import.records();
    require(records.size() <= room, "no more than the room");
    checkRules(records, {stored.begin(), stored.end()});
    require(!import.summary().empty(), "a summary");

    exchange::ContactImport again({}, 32767);
    again.readEither(exchange::exportCsv(records), "again.csv");
    require(again.records() == records, "an export imports as the same records");
    require(again.changed().empty() && again.leftOut().empty(), "nothing changed the second time");
    return 0;
}
