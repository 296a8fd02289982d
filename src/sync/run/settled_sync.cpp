#include "sync/run/settled_sync.h"

#include "sync/state/content_hash.h"
#include "sync/state/kept_cards.h"
#include "sync/state/merge_notes.h"
#include "sync/state/state_file.h"
#include "transfer/book_files.h"

#include <memory>

namespace syncing {

std::uint64_t dataFileHash(store::FileSystem& fs)
{
    if (!fs.exists(transfer::DataFileName))
        return contentHash({});
    const std::unique_ptr<store::File> file =
        fs.open(transfer::DataFileName, store::OpenMode::OpenOrCreate);
    std::string bytes;
    try {
        bytes.resize(static_cast<std::size_t>(file->length()));
        bytes.resize(
            file->readAt(0, {reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()}));
    } catch (...) {
        file->close();
        throw;
    }
    file->close();
    return contentHash(bytes);
}

std::optional<RememberedText> readRemembered(store::FileSystem& fs)
{
    std::optional<std::string> text = readStateText(fs);
    if (!text)
        return std::nullopt;
    RememberedText remembered;
    remembered.text = std::move(*text);
    remembered.settledHead = parseSettledHead(remembered.text);
    if (remembered.settledHead && (fs.exists(KeptCardsName) || fs.exists(MergeNotesName) ||
                                   dataFileHash(fs) != *remembered.settledHead->settledOn))
        remembered.settledHead.reset();
    return remembered;
}

bool keepSettled(store::FileSystem& fs, const RememberedText& remembered,
                 const std::string& newToken, const std::string& cardVersion)
{
    const SyncState& head = *remembered.settledHead;
    if (newToken.empty() || dataFileHash(fs) != *head.settledOn)
        return false;
    if (newToken != head.syncToken || cardVersion != head.cardVersion) {
        SyncState now = head;
        now.syncToken = newToken;
        now.cardVersion = cardVersion;
        writeStateText(fs, withHeadOf(now, remembered.text));
    }
    return true;
}

} // namespace syncing
