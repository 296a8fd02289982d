// Times vCard export and import of a generated address book of 32,767 contacts, the largest a
// data file holds, beside a baseline measured in the same run: reading the data file once.
// Each action is first run once untimed and its outcome checked, so that no figure stands for
// an action that did nothing: the export holds a card per contact, importing it restores every
// record, and cards without the program's own properties still give every contact.
//
// ZARVOTH_BENCH_RUNS   runs per action (default 30)
#include "address_book.h"
#include "measure.h"

#include "exchange/card_export.h"
#include "exchange/card_import.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

namespace {

constexpr int contacts = 32767;

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "exchange_bench: %s\n", what);
        std::exit(1);
    }
}

// The cards as another program would write them: the program's own properties left out.
std::string withoutOwnProperties(const std::string& cards)
{
    std::istringstream in(cards);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with("X-ZARVOTH-"))
            out += line + "\n";
    }
    return out;
}

exchange::CardImport imported(const std::string& cards)
{
    exchange::CardImport import({}, contacts);
    import.read(cards, "bench.vcf");
    return import;
}

void print(const char* name, const Timing& timing, double baseline)
{
    std::printf("%-44s %9.1f ms %9.1f ms %9.1f ms %8.1fx\n", name, timing.median, timing.p95,
                timing.cpuMedian, timing.median / baseline);
}

} // namespace

int main()
{
    const int runs =
        std::getenv("ZARVOTH_BENCH_RUNS") ? std::atoi(std::getenv("ZARVOTH_BENCH_RUNS")) : 30;
    require(runs > 0, "ZARVOTH_BENCH_RUNS must be a positive number");
    std::vector<store::ContactRecord> records = generateAddressBook(contacts, 20261208);
    for (auto& record : records)
        record.RecordNo = 0; // an import leaves it to whoever appends
    const std::string path = "exchange_bench_datphone." + std::to_string(::getpid());
    writeFileSynced(path, dataFileBytes(records));

    const std::string cards = exchange::exportCards(records);
    std::size_t count = 0;
    for (std::size_t at = cards.find("BEGIN:VCARD"); at != std::string::npos;
         at = cards.find("BEGIN:VCARD", at + 1))
        ++count;
    require(count == records.size(), "the export holds a card per contact");
    const exchange::CardImport restored = imported(cards);
    require(restored.records() == records && restored.changed().empty(),
            "importing the export restores every record");
    const std::string foreign = withoutOwnProperties(cards);
    require(imported(foreign).records().size() == records.size(),
            "cards from another program give every contact");

    std::string sink;
    const Timing read = measure(runs, {}, [&] { sink = readWholeFile(path); });
    const Timing exportTime = measure(runs, {}, [&] { sink = exchange::exportCards(records); });
    const Timing importOwn = measure(
        runs, {}, [&] { require(imported(cards).records().size() == records.size(), "import"); });
    const Timing importForeign = measure(
        runs, {}, [&] { require(imported(foreign).records().size() == records.size(), "import"); });
    ::unlink(path.c_str());

    std::printf("vCard exchange, %d contacts, %d runs each (%zu octets of vCard)\n", contacts, runs,
                cards.size());
    std::printf("%-44s %12s %12s %12s %9s\n", "action", "median", "95th", "CPU median", "ratio");
    print("baseline: read the whole data file", read, read.median);
    print("export every contact", exportTime, read.median);
    print("import an export (restored exactly)", importOwn, read.median);
    print("import cards without the program's own", importForeign, read.median);
    std::printf("peak memory: %ld kB\n", peakResidentKilobytes());
    return 0;
}
