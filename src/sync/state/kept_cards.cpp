#include "sync/state/kept_cards.h"

#include "sync/state/state_file.h"
#include <charconv>
#include <memory>
#include <optional>

namespace syncing {
namespace {

// The cards of a full address book, photos and all, fit well below this; a file beyond it is
// begun anew rather than read into memory at once.
constexpr std::uint64_t largestKeptFile = std::uint64_t(512) << 20;

// An entry's first line is short; a longer one is no entry.
constexpr std::size_t longestEntryLine = 100;

// FNV-1a: enough to tell a torn or damaged entry from a whole one.
std::uint64_t checksum(const KeptCard& card)
{
    std::uint64_t hash = 14695981039346656037u;
    for (const std::string* part : {&card.href, &card.etag, &card.text})
        for (const char byte : *part)
            hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211u;
    return hash;
}

std::string hex(std::uint64_t value)
{
    std::string digits(16, '0');
    for (std::size_t at = digits.size(); at-- > 0; value >>= 4)
        digits[at] = "0123456789abcdef"[value & 15];
    return digits;
}

template <typename Number> bool readNumber(std::string_view& line, Number& number, int base = 10)
{
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), number, base);
    if (error != std::errc() || end == line.data())
        return false;
    line.remove_prefix(static_cast<std::size_t>(end - line.data()));
    if (!line.empty() && line.front() == ' ')
        line.remove_prefix(1);
    return true;
}

// The entry at the start of `text`, and how long it is; nothing when it is torn or damaged.
std::optional<std::pair<KeptCard, std::size_t>> readEntry(std::string_view text)
{
    const std::size_t lineEnd = text.substr(0, longestEntryLine).find('\n');
    if (!text.starts_with("card ") || lineEnd == std::string_view::npos)
        return std::nullopt;
    std::string_view line = text.substr(5, lineEnd - 5);
    std::size_t hrefLength = 0, etagLength = 0, textLength = 0;
    std::uint64_t sum = 0;
    if (!readNumber(line, hrefLength) || !readNumber(line, etagLength) ||
        !readNumber(line, textLength) || !readNumber(line, sum, 16) || !line.empty())
        return std::nullopt;
    std::string_view rest = text.substr(lineEnd + 1);
    if (hrefLength > rest.size() || etagLength > rest.size() - hrefLength ||
        textLength >= rest.size() - hrefLength - etagLength)
        return std::nullopt;
    KeptCard card{std::string(rest.substr(0, hrefLength)),
                  std::string(rest.substr(hrefLength, etagLength)),
                  std::string(rest.substr(hrefLength + etagLength, textLength))};
    const std::size_t end = hrefLength + etagLength + textLength;
    if (rest[end] != '\n' || checksum(card) != sum)
        return std::nullopt;
    return std::pair{std::move(card), lineEnd + 1 + end + 1};
}

void writeWhole(store::File& file, std::uint64_t at, const std::string& bytes)
{
    try {
        file.writeAt(at, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
        file.sync();
    } catch (...) {
        file.close();
        throw;
    }
    file.close();
}

} // namespace

std::string keptCardsHeader(const std::string& bookUrl)
{
    return "zarvoth kept cards 1\nbook " + bookUrl + "\n";
}

std::string keptCardEntry(const KeptCard& card)
{
    return "card " + std::to_string(card.href.size()) + " " + std::to_string(card.etag.size()) +
           " " + std::to_string(card.text.size()) + " " + hex(checksum(card)) + "\n" + card.href +
           card.etag + card.text + "\n";
}

KeptCardsRead readKeptCards(std::string_view text, const std::string& bookUrl)
{
    KeptCardsRead read;
    const std::string header = keptCardsHeader(bookUrl);
    if (!text.starts_with(header))
        return read;
    std::size_t at = header.size();
    while (const auto entry = readEntry(text.substr(at))) {
        read.cards.push_back(std::move(entry->first));
        at += entry->second;
    }
    read.wholeLength = at;
    return read;
}

KeptCardsRead readKeptCardsFile(store::FileSystem& fs, const std::string& bookUrl)
{
    const std::string text = readJournalFile(fs, KeptCardsName, largestKeptFile);
    return readKeptCards(text, bookUrl);
}

std::uint64_t addKeptCards(store::FileSystem& fs, const std::string& bookUrl, std::uint64_t at,
                           std::span<const KeptCard> cards)
{
    std::string bytes = at == 0 ? keptCardsHeader(bookUrl) : std::string();
    for (const KeptCard& card : cards)
        bytes += keptCardEntry(card);
    if (at != 0) {
        // Over a torn entry, if there is one: what is left of it behind is read as torn.
        writeWhole(*fs.open(KeptCardsName, store::OpenMode::OpenOrCreate), at, bytes);
        return at + bytes.size();
    }
    fs.remove(KeptCardsName);
    writeWhole(*fs.open(KeptCardsName, store::OpenMode::CreateNew), 0, bytes);
    fs.syncDirectory(".");
    return bytes.size();
}

void dropKeptCards(store::FileSystem& fs)
{
    fs.remove(KeptCardsName);
}

} // namespace syncing
