// Times vCard and CSV export and import of a generated address book of 32,767 contacts, the
// largest a data file holds, beside a baseline measured in the same run: reading the data file
// once. Each action is first run once untimed and its outcome checked, so that no figure stands
// for an action that did nothing: the export holds a card (a row) per contact, importing it
// restores every record, and cards without the program's own properties, or a CSV file with
// Google's columns, still give every contact.
//
// Then the import of 2,000 cards into a book of 30,767 (which they fill to 32,767), all of them
// new, and half of them contacts the book holds already, which are recognised, not added; and
// the search for duplicates in the whole book of 32,767, numbers compared as in Germany.
//
// ZARVOTH_BENCH_RUNS   runs per action (default 30)
#include "address_book.h"
#include "measure.h"

#include "duplicates/duplicate_groups.h"
#include "exchange/card_export.h"
#include "exchange/card_import.h"
#include "exchange/csv_export.h"
#include "exchange/utf8.h"
#include "store/cp1252.h"

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

exchange::ContactImport importedCsv(const std::string& csv)
{
    exchange::ContactImport import({}, contacts);
    import.readEither(csv, "bench.csv");
    return import;
}

std::string cell(std::string_view stored)
{
    return "\"" + exchange::toUtf8(store::decode(store::trimBlanks(stored))) + "\"";
}

// The contacts as Google Contacts exports them, several phone columns each.
std::string googleCsv(const std::vector<store::ContactRecord>& records)
{
    std::string out = "First Name,Middle Name,Last Name,Nickname,Phone 1 - Label,Phone 1 - Value,"
                      "Phone 2 - Label,Phone 2 - Value,Address 1 - Label,Address 1 - City\r\n";
    for (const store::ContactRecord& r : records)
        out += cell(r.FullName.text()) + ",," + cell(r.FamilyName.text()) + "," +
               cell(r.Nick.text()) + ",Work,555 1234,* Mobile," + cell(r.Phone.text()) + ",Home," +
               cell(r.City.text()) + "\r\n";
    return out;
}

// 2,000 cards into the book's first `stored` contacts: those behind them (new), or every other
// one of them and every other stored one (half known), the known ones written otherwise.
struct KnownImport {
    std::vector<store::ContactRecord> stored;
    std::string allNew;
    std::string halfKnown;
};

KnownImport knownImport(const std::vector<store::ContactRecord>& records)
{
    constexpr std::size_t incoming = 2000;
    KnownImport import;
    import.stored.assign(records.begin(), records.end() - incoming);
    const std::vector<store::ContactRecord> fresh(records.end() - incoming, records.end());
    std::vector<store::ContactRecord> mixed;
    for (std::size_t i = 0; i < incoming; ++i) {
        if (i % 2 == 0) {
            mixed.push_back(fresh[i]);
            continue;
        }
        // A phone writes the number its own way: with its country code.
        store::ContactRecord known = import.stored[i * 7];
        const std::string dialled =
            std::string(known.UsePrefix == 1 ? "0" : "") +
            std::string(known.UseStdCode == 1 ? known.StdCode.trimmed() : std::string_view()) +
            std::string(known.Phone.trimmed());
        known.Phone.assign("+49 " + dialled.substr(dialled.starts_with('0') ? 1 : 0));
        known.UsePrefix = 0;
        known.UseStdCode = 0;
        mixed.push_back(known);
    }
    import.allNew = exchange::exportCards(fresh);
    import.halfKnown = exchange::exportCards(mixed);
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

    const std::string csv = exchange::exportCsv(records);
    const exchange::ContactImport restoredCsv = importedCsv(csv);
    require(restoredCsv.records() == records && restoredCsv.changed().empty(),
            "importing the CSV export restores every record");
    const std::string google = googleCsv(records);
    require(importedCsv(google).records().size() == records.size(),
            "a CSV file with Google's columns gives every contact");

    std::string sink;
    const Timing read = measure(runs, {}, [&] { sink = readWholeFile(path); });
    const Timing exportTime = measure(runs, {}, [&] { sink = exchange::exportCards(records); });
    const Timing importOwn = measure(
        runs, {}, [&] { require(imported(cards).records().size() == records.size(), "import"); });
    const Timing importForeign = measure(
        runs, {}, [&] { require(imported(foreign).records().size() == records.size(), "import"); });
    const Timing exportCsvTime = measure(runs, {}, [&] { sink = exchange::exportCsv(records); });
    const Timing importOwnCsv = measure(
        runs, {}, [&] { require(importedCsv(csv).records().size() == records.size(), "import"); });
    const Timing importGoogle = measure(runs, {}, [&] {
        require(importedCsv(google).records().size() == records.size(), "import");
    });
    ::unlink(path.c_str());

    std::printf("vCard exchange, %d contacts, %d runs each (%zu octets of vCard)\n", contacts, runs,
                cards.size());
    std::printf("%-44s %12s %12s %12s %9s\n", "action", "median", "95th", "CPU median", "ratio");
    print("baseline: read the whole data file", read, read.median);
    print("export every contact", exportTime, read.median);
    print("import an export (restored exactly)", importOwn, read.median);
    print("import cards without the program's own", importForeign, read.median);
    std::printf("CSV (%zu octets of the own export, %zu of Google's)\n", csv.size(), google.size());
    print("export every contact as CSV", exportCsvTime, read.median);
    print("import the CSV export (restored exactly)", importOwnCsv, read.median);
    print("import Google Contacts' CSV", importGoogle, read.median);

    const numbers::NumberComparison germany("DE");
    const KnownImport known = knownImport(records);
    const auto importInto = [&](const std::string& file) {
        exchange::ContactImport import(known.stored, contacts - known.stored.size(), germany);
        import.read(file, "bench.vcf");
        return import;
    };
    const exchange::ContactImport intoNew = importInto(known.allNew);
    require(intoNew.records().size() == 2000 && intoNew.known().empty(),
            "2,000 new cards are all added");
    const exchange::ContactImport intoHalf = importInto(known.halfKnown);
    require(intoHalf.records().size() == 1000 && intoHalf.known().size() == 1000,
            "of 2,000 cards, the 1,000 the book holds are recognised");
    require(duplicates::duplicateGroups(records, germany).empty(),
            "the generated book holds no duplicates");
    std::vector<store::ContactRecord> doubled = records;
    for (std::size_t i = 0; i < 1000; ++i) {
        doubled[doubled.size() - 1 - i] = records[i * 3];
        doubled[doubled.size() - 1 - i].Nick.assign("dup" + std::to_string(i));
    }
    require(duplicates::duplicateGroups(doubled, germany).size() == 1000,
            "1,000 contacts imported twice are 1,000 groups");
    const Timing importNew = measure(runs, {}, [&] { (void)importInto(known.allNew); });
    const Timing importHalf = measure(runs, {}, [&] { (void)importInto(known.halfKnown); });
    const Timing findNone =
        measure(runs, {}, [&] { (void)duplicates::duplicateGroups(records, germany); });
    const Timing findThousand =
        measure(runs, {}, [&] { (void)duplicates::duplicateGroups(doubled, germany); });
    std::printf("Duplicates (numbers compared as in Germany)\n");
    print("import 2,000 new cards into 30,767", importNew, read.median);
    print("import 2,000 cards, 1,000 in the book", importHalf, read.median);
    std::printf("%-44s %9.2fx\n", "  half known / all new", importHalf.median / importNew.median);
    print("find duplicates in 32,767 (none)", findNone, read.median);
    print("find duplicates in 32,767 (1,000 groups)", findThousand, read.median);
    std::printf("peak memory: %ld kB\n", peakResidentKilobytes());
    return 0;
}
