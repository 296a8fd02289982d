#include "address_book.h"

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <stdexcept>
#include <unistd.h>

namespace {

const char* const starts[] = {"Al", "Be", "Ca", "Da", "El", "Fi", "Ga", "Ha", "Is",
                              "Jo", "Ka", "Li", "Ma", "Ni", "Ol", "Pa", "Qu", "Ro",
                              "Sa", "To", "Ul", "Vi", "Wi", "Xa", "Yo", "Ze"};
const char* const middles[] = {"ra", "ne", "li", "to", "ma", "ri",
                               "sa", "de", "lo", "vi", "ka", "no"};
const char* const ends[] = {"", "n", "s", "a", "o", "e", "y", "th", "ck", "l"};
const char* const families[] = {"berg", "son", "ova", "ini", "ez", "sky", "mann", "ford"};
const char* const cities[] = {"Ostrevalind", "Lund",   "Porto", "Graz",
                              "Turku",       "Bergen", "Lyon",  "Cork"};

template <typename T, std::size_t N> const T& pick(std::mt19937& random, const T (&from)[N])
{
    return from[random() % N];
}

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
            nick = std::string(pick(random, starts)) + pick(random, middles) + pick(random, ends);
            if (random() % 16 == 0)
                nick[0] = static_cast<char>(nick[0] - 'A' + 'a');
            // Past a few thousand the short names are taken, and people add a number.
            if (used.count(nick))
                nick += std::to_string(random() % 1000);
            nick = nick.substr(0, 15);
        } while (used.count(nick));
        used.insert(nick);
        store::ContactRecord record;
        record.RecordNo = static_cast<std::int16_t>(n);
        record.Nick.assign(nick);
        std::string first =
            std::string(pick(random, starts)) + pick(random, middles) + pick(random, ends);
        record.FullName.assign(first + " " + pick(random, starts) + pick(random, families));
        record.FamilyName.assign(std::string(pick(random, starts)) + pick(random, families));
        record.City.assign(pick(random, cities));
        record.Phone.assign(std::to_string(1000000 + random() % 9000000));
        record.StdCode.assign(std::to_string(10 + random() % 90));
        record.UseStdCode = static_cast<std::int16_t>(random() % 2);
        record.Prefix.assign("0");
        record.UsePrefix = static_cast<std::int16_t>(random() % 2);
        book.push_back(record);
    }
    return book;
}

std::string dataFileBytes(const std::vector<store::ContactRecord>& records)
{
    std::string bytes;
    bytes.reserve(records.size() * store::RecordSize);
    for (const auto& record : records) {
        const store::RecordBytes encoded = store::encodeRecord(record);
        bytes.append(reinterpret_cast<const char*>(encoded.data()), encoded.size());
    }
    return bytes;
}

void writeFileSynced(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot write " + path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            ::close(fd);
            throw std::runtime_error("cannot write " + path);
        }
        done += static_cast<std::size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced)
        throw std::runtime_error("cannot sync " + path);
}

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
