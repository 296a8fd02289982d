#include "sync/state/deleted_cards.h"

#include "sync/state/state_file.h"

#include <algorithm>
#include <charconv>
#include <memory>

namespace syncing {
namespace {

constexpr char Hex[] = "0123456789ABCDEF";

// Every byte that is not a visible ASCII character, and '%', as %XX: a line holds no blank
// and no line break of its own.
std::string escaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F && byte != '%') {
            out += c;
        } else {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 0xF];
        }
    }
    return out;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool unescaped(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::vector<std::string_view> fieldsOf(std::string_view line)
{
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const auto blank = line.find(' ');
        fields.push_back(line.substr(0, blank));
        if (blank == std::string_view::npos)
            break;
        line.remove_prefix(blank + 1);
    }
    return fields;
}

bool parsedLine(std::string_view line, DeletedCard& card)
{
    const auto fields = fieldsOf(line);
    if (fields.size() != 6 || fields[0] != "D")
        return false;
    const auto [end, error] =
        std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), card.deletedAt);
    std::string record;
    if (error != std::errc() || end != fields[1].data() + fields[1].size() ||
        !unescaped(fields[2], record) || record.size() != store::RecordSize ||
        !unescaped(fields[3], card.uid) || !unescaped(fields[4], card.href) ||
        !unescaped(fields[5], card.text))
        return false;
    card.record = store::decodeRecord(std::span<const std::uint8_t, store::RecordSize>(
        reinterpret_cast<const std::uint8_t*>(record.data()), store::RecordSize));
    return true;
}

} // namespace

std::string serializeDeletedCards(std::span<const DeletedCard> cards)
{
    std::string text;
    for (const DeletedCard& card : cards) {
        const store::RecordBytes record = store::encodeRecord(card.record);
        text += "D " + std::to_string(card.deletedAt) + ' ' +
                escaped({reinterpret_cast<const char*>(record.data()), record.size()}) + ' ' +
                escaped(card.uid) + ' ' + escaped(card.href) + ' ' + escaped(card.text) + '\n';
    }
    return text;
}

std::vector<DeletedCard> parseDeletedCards(std::string_view text)
{
    std::vector<DeletedCard> cards;
    while (!text.empty()) {
        const auto end = text.find('\n');
        // A last line without its line break was cut off.
        if (end == std::string_view::npos)
            break;
        DeletedCard card;
        if (parsedLine(text.substr(0, end), card))
            cards.push_back(std::move(card));
        text.remove_prefix(end + 1);
    }
    return cards;
}

std::vector<DeletedCard> stillKept(std::vector<DeletedCard> cards, std::int64_t now)
{
    std::erase_if(cards, [&](const DeletedCard& card) {
        return now - card.deletedAt >= DeletedCardKeptSeconds;
    });
    return cards;
}

std::vector<DeletedCard> readDeletedCards(store::FileSystem& fs)
{
    if (!fs.exists(DeletedCardsName))
        return {};
    return parseDeletedCards(readWholeFile(fs, DeletedCardsName));
}

void writeDeletedCards(store::FileSystem& fs, std::span<const DeletedCard> cards)
{
    if (cards.empty()) {
        fs.remove(DeletedCardsName);
        return;
    }
    replaceWholeFile(fs, DeletedCardsName, DeletedCardsScratchName, serializeDeletedCards(cards));
}

} // namespace syncing
