#include "address_book.h"

#include <cstdio>
#include <random>
#include <set>
#include <stdexcept>

namespace {

const char* const starts[] = {"Al", "Be", "Ca", "Da", "El", "Fi", "Ga", "Ha", "Is", "Jo", "Ka", "Li", "Ma",
                              "Ni", "Ol", "Pa", "Qu", "Ro", "Sa", "To", "Ul", "Vi", "Wi", "Xa", "Yo", "Ze"};
const char* const middles[] = {"ra", "ne", "li", "to", "ma", "ri", "sa", "de", "lo", "vi", "ka", "no"};
const char* const ends[] = {"", "n", "s", "a", "o", "e", "y", "th", "ck", "l"};
const char* const cities[] = {"Ostrevalind", "Lund", "Porto", "Graz", "Turku", "Bergen", "Lyon", "Cork"};

} // namespace

std::vector<store::ContactRecord> generateAddressBook(int records, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::set<std::string> used;
    std::vector<store::ContactRecord> book;
    book.reserve(static_cast<std::size_t>(records));
    for (int n = 1; n <= records; ++n) {
        std::string nick;
        do {
            nick = std::string(starts[random() % std::size(starts)]) + middles[random() % std::size(middles)] +
                   ends[random() % std::size(ends)];
            if (used.count(nick))
                nick += std::to_string(random() % 1000);
            nick = nick.substr(0, 15);
        } while (used.count(nick));
        used.insert(nick);
        store::ContactRecord record;
        record.RecordNo = static_cast<std::int16_t>(n);
        record.Nick.assign(nick);
        record.FullName.assign(nick + " " + middles[random() % std::size(middles)] + "son");
        record.FamilyName.assign(std::string(starts[random() % std::size(starts)]) + "berg");
        record.City.assign(cities[random() % std::size(cities)]);
        record.Phone.assign(std::to_string(1000000 + random() % 9000000));
        record.StdCode.assign(std::to_string(10 + random() % 90));
        record.UseStdCode = static_cast<std::int16_t>(random() % 2);
        record.Prefix.assign("0");
        record.UsePrefix = static_cast<std::int16_t>(random() % 2);
        book.push_back(record);
    }
    return book;
}

void writeDataFile(const std::string& path, const std::vector<store::ContactRecord>& records)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot write " + path);
    for (const auto& record : records) {
        const store::RecordBytes bytes = store::encodeRecord(record);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
    }
    std::fclose(file);
}

std::string nickOf(const std::vector<store::ContactRecord>& book, int n)
{
    return std::string(book[static_cast<std::size_t>(n - 1)].Nick.trimmed());
}
