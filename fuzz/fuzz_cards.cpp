// Feeds arbitrary bytes to the vCard reader as a file to import into a book that already holds
// two nicknames: it must not crash, every contact it takes must obey the rules of a stored
// contact (a nickname that is not blank and is unique, also against the stored ones; a phone
// number; only blank-padded text without control characters), it may take no more than the
// room, and exporting what it took and importing that into an empty book must give the very
// same records, with nothing changed or left out.
#include "exchange/card_export.h"
#include "exchange/card_import.h"

#include "stored_rules.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> stored = {"Bob", "x"};
    const std::size_t room = size % 5 == 0 ? 2 : 1000;
    exchange::CardImport import(stored, room);
    try {
        import.read(bytes, "fuzz.vcf");
    } catch (const exchange::NotVCard&) {
        require(import.records().empty() && import.leftOut().empty(),
                "a refused file takes nothing");
        return 0;
    }
    const auto& records = import.records();
    require(records.size() <= room, "no more than the room");
    checkRules(records, {stored.begin(), stored.end()});
    require(!import.summary().empty(), "a summary");

    if (records.empty())
        return 0; // an empty export holds no card to read
    exchange::CardImport again({}, 32767);
    again.read(exchange::exportCards(records), "again.vcf");
    require(again.records() == records, "an export imports as the same records");
    require(again.changed().empty() && again.leftOut().empty(), "nothing changed the second time");
    return 0;
}
