// Feeds arbitrary bytes to the vCard reader as a file to import into a book that already holds
// two nicknames: it must not crash, every contact it takes must obey the rules of a stored
// contact (a nickname that is not blank and is unique, also against the stored ones; a phone
// number; only blank-padded text without control characters), it may take no more than the
// room, and exporting what it took and importing that into an empty book must give the very
// same records, with nothing changed or left out.
#include "exchange/card_export.h"
#include "exchange/card_import.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

template <std::size_t Width> bool hasNoControls(const store::FixedText<Width>& field)
{
    for (char ch : field.text()) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

void checkRules(const std::vector<store::ContactRecord>& records, std::set<std::string> taken)
{
    for (const store::ContactRecord& record : records) {
        require(!record.Nick.trimmed().empty(), "a nickname");
        require(taken.emplace(record.Nick.trimmed()).second, "a unique nickname");
        require(!record.Phone.trimmed().empty(), "a phone number");
        require(hasNoControls(record.Nick) && hasNoControls(record.FullName) &&
                    hasNoControls(record.FamilyName) && hasNoControls(record.City) &&
                    hasNoControls(record.Phone) && hasNoControls(record.StdCode) &&
                    hasNoControls(record.Prefix),
                "no control characters");
        require(record.RecordNo == 0, "RecordNo left to whoever appends");
    }
}

} // namespace

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
