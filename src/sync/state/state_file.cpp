#include "sync/state/state_file.h"

#include "store/store_error.h"
#include "sync/state/deleted_cards.h"
#include "sync/state/kept_cards.h"

#include <cstdint>
#include <memory>
#include <span>

namespace syncing {
namespace {

// What the last sync left of 32,767 contacts takes a few megabytes; anything far beyond it
// is no such file, and reading it whole would only exhaust the memory.
constexpr std::uint64_t largestStateFile = std::uint64_t(256) << 20;

std::string readWhole(store::File& file)
{
    const std::uint64_t length = file.length();
    if (length > largestStateFile)
        throw BadStateFile("it is far larger than what a sync leaves");
    std::string text(static_cast<std::size_t>(length), '\0');
    const std::size_t got = file.readAt(
        0, {reinterpret_cast<std::uint8_t*>(text.data()), static_cast<std::size_t>(length)});
    text.resize(got);
    return text;
}

} // namespace

std::string readWholeFile(store::FileSystem& fs, const std::string& name)
{
    const std::unique_ptr<store::File> file = fs.open(name, store::OpenMode::OpenOrCreate);
    std::string text;
    try {
        text = readWhole(*file);
    } catch (...) {
        file->close();
        throw;
    }
    file->close();
    return text;
}

std::string readJournalFile(store::FileSystem& fs, const std::string& name, std::uint64_t largest)
{
    if (!fs.exists(name))
        return {};
    const std::unique_ptr<store::File> file = fs.open(name, store::OpenMode::OpenOrCreate);
    std::string text;
    try {
        const std::uint64_t length = file->length();
        if (length <= largest) {
            text.resize(static_cast<std::size_t>(length));
            text.resize(
                file->readAt(0, {reinterpret_cast<std::uint8_t*>(text.data()), text.size()}));
        }
    } catch (...) {
        file->close();
        throw;
    }
    file->close();
    return text;
}

std::optional<std::string> readStateText(store::FileSystem& fs)
{
    if (!fs.exists(StateFileName))
        return std::nullopt;
    return readWholeFile(fs, StateFileName);
}

std::optional<SyncState> readStateFile(store::FileSystem& fs)
{
    const std::optional<std::string> text = readStateText(fs);
    if (!text)
        return std::nullopt;
    return parseState(*text);
}

std::optional<SyncState> readSyncAccount(store::FileSystem& fs)
{
    const std::optional<std::string> text = readStateText(fs);
    if (!text)
        return std::nullopt;
    if (std::optional<SyncState> head = parseSettledHead(*text))
        return head;
    return parseState(*text);
}

void replaceWholeFile(store::FileSystem& fs, const std::string& name, const std::string& scratch,
                      const std::string& text)
{
    fs.remove(scratch);
    std::unique_ptr<store::File> file = fs.open(scratch, store::OpenMode::CreateNew);
    try {
        file->writeAt(0, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
        file->sync();
        file->close();
        fs.rename(scratch, name);
    } catch (...) {
        try {
            file->close();
            fs.remove(scratch);
        } catch (const store::StoreError&) {
            // The failure that matters is the one that ended the write.
        }
        throw;
    }
    fs.syncDirectory(".");
}

void writeStateFile(store::FileSystem& fs, const SyncState& state)
{
    writeStateText(fs, serializeState(state));
}

void writeStateText(store::FileSystem& fs, const std::string& text)
{
    replaceWholeFile(fs, StateFileName, StateScratchName, text);
}

std::string damagedStateText(const BadStateFile& error)
{
    return std::string("the file \"") + StateFileName + "\" of the last sync is damaged (" +
           error.what() + "); zarvoth --sync-setup sets sync up again";
}

void removeStateFile(store::FileSystem& fs)
{
    fs.remove(StateFileName);
    dropKeptCards(fs);
    fs.remove(DeletedCardsName);
    fs.syncDirectory(".");
}

} // namespace syncing
