#include "store/compaction.h"

#include "store/store_error.h"

#include <algorithm>
#include <span>
#include <vector>

namespace store {
namespace {

// Closes a file or removes a name as far as possible after a failure: a second failure adds
// nothing to the one being reported.
template <typename Step> void bestEffort(Step&& step)
{
    try {
        step();
    } catch (const std::exception&) {
    }
}

// Whether `data` holds fewer whole records than `scratch` and they are the first records of
// `scratch`, byte for byte: what a copy back that was cut off leaves. The records behind them
// are only in `scratch`. A deletion of this program never leaves such a pair: its scratch file
// holds at most as many records as the data file.
bool isCutOffCopy(FileSystem& fs, const std::string& dataName, const std::string& scratchName)
{
    if (!fs.isRegularFile(dataName))
        return false;
    auto data = fs.open(dataName, OpenMode::OpenOrCreate);
    auto scratch = fs.open(scratchName, OpenMode::OpenOrCreate);
    const std::uint64_t dataRecords = data->length() / RecordSize;
    const std::uint64_t scratchRecords = scratch->length() / RecordSize;
    bool cutOff = dataRecords < scratchRecords;

    constexpr std::uint64_t chunk = 512 * RecordSize;
    std::vector<std::uint8_t> ours(chunk);
    std::vector<std::uint8_t> theirs(chunk);
    const std::uint64_t end = dataRecords * RecordSize;
    for (std::uint64_t at = 0; cutOff && at < end; at += chunk) {
        const auto size = static_cast<std::size_t>(std::min(chunk, end - at));
        const std::span<std::uint8_t> a(ours.data(), size);
        const std::span<std::uint8_t> b(theirs.data(), size);
        cutOff = data->readAt(at, a) == size && scratch->readAt(at, b) == size &&
                 std::equal(a.begin(), a.end(), b.begin());
    }
    scratch->close();
    data->close();
    return cutOff;
}

// The folder that holds the file at a full path.
std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Which of the stored records a rewrite keeps: all but one (a number outside 1..count keeps
// them all), or none, when the new file is made of the appended records alone.
struct Kept {
    bool any = true;
    std::int32_t removed = 0;
};

// Writes every record of `data` that `kept` keeps, unchanged and in order, then the `appended`
// bytes, to the new file `scratch` and renames it to `replaced`, which is the data file itself
// or the file it leads to.
void replaceWithout(DataFile& data, DataFile& scratch, const std::string& replaced, Kept kept,
                    std::span<const std::uint8_t> appended)
{
    FileSystem& fs = data.fileSystem();
    try {
        // A data file that may only be read is not replaced behind its owner's back, which
        // the folder's permissions alone would allow: the rewrite fails as a write would.
        data.requireWritable();
        fs.remove(scratch.name());
        scratch.open(OpenMode::CreateNew);
        // Record `removed` is skipped and every record behind it moves up by one; a number
        // outside 1..count skips nothing. The counters never pass the count, so they cannot
        // overflow.
        // The bytes go across as they were read, a thousand records to a write.
        const std::int32_t count = kept.any ? data.recordCount() : 0;
        const std::int32_t removed = kept.removed;
        constexpr std::size_t batch = 1024;
        std::vector<std::uint8_t> bytes;
        bytes.reserve(std::min<std::size_t>(batch, std::size_t(std::max(count, 0))) * RecordSize);
        std::int32_t written = 0;
        const auto writeOut = [&](std::span<const std::uint8_t> records) {
            scratch.writeRecords(written + 1, records);
            written += static_cast<std::int32_t>(records.size() / RecordSize);
        };
        for (std::int32_t source = 1; source <= count; ++source) {
            if (source == removed)
                continue;
            const auto record = data.view(source).bytes();
            bytes.insert(bytes.end(), record.begin(), record.end());
            if (bytes.size() == batch * RecordSize) {
                writeOut(bytes);
                bytes.clear();
            }
        }
        writeOut(bytes);
        for (std::size_t at = 0; at < appended.size(); at += batch * RecordSize)
            writeOut(appended.subspan(at, std::min(batch * RecordSize, appended.size() - at)));
        // Every record is on the disk before the data file's name points at them.
        scratch.sync();
        scratch.close();
        data.close();
        fs.rename(scratch.name(), replaced);
    } catch (...) {
        bestEffort([&] { scratch.close(); });
        bestEffort([&] { fs.remove(scratch.name()); });
        bestEffort([&] { data.close(); });
        throw;
    }
}

// Makes the rename in `folder` durable; until then a crash may still show the old data file,
// whole. The change itself has taken place.
void syncReplacement(FileSystem& fs, const std::string& folder)
{
    try {
        fs.syncDirectory(folder);
    } catch (const StoreError& error) {
        throw ChangeNotYetOnDisk(error);
    }
}

bool recoverIn(FileSystem& fs, const std::string& folder, const std::string& dataName,
               const std::string& scratchName)
{
    if (!fs.isRegularFile(scratchName))
        return false;
    if (fs.exists(dataName) && !isCutOffCopy(fs, dataName, scratchName))
        return false;
    fs.rename(scratchName, dataName);
    fs.syncDirectory(folder);
    return true;
}

// Writes the data file anew through the scratch file (see replaceWithout) and makes the change
// durable. A data file that is a symbolic link (to contacts kept in a synced folder, say) stays
// one: the file it leads to is replaced, from a scratch file beside it, so that the rename
// stays on one file system.
void rewriteThroughScratch(DataFile& data, DataFile& scratch, Kept kept,
                           std::span<const std::uint8_t> appended)
{
    FileSystem& fs = data.fileSystem();
    std::string target;
    try {
        target = fs.linkTarget(data.name());
    } catch (...) {
        bestEffort([&] { data.close(); });
        throw;
    }
    if (target.empty()) {
        replaceWithout(data, scratch, data.name(), kept, appended);
        syncReplacement(fs, ".");
        return;
    }
    const std::string folder = folderOf(target);
    DataFile besideTarget(fs, folder + "/" + scratch.name());
    replaceWithout(data, besideTarget, target, kept, appended);
    syncReplacement(fs, folder);
}

} // namespace

void compactWithout(DataFile& data, DataFile& scratch, std::int32_t removed)
{
    rewriteThroughScratch(data, scratch, {true, removed}, {});
}

namespace {

// The records as the file holds them, in order.
std::vector<std::uint8_t> encodedRecords(std::span<const ContactRecord> records)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(records.size() * RecordSize);
    for (const ContactRecord& record : records) {
        const RecordBytes encoded = encodeRecord(record);
        bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    }
    return bytes;
}

void requireRoom(DataFile& data, std::int64_t total)
{
    if (total <= MaxRecords)
        return;
    bestEffort([&] { data.close(); });
    throw StoreError("write", data.name(), "the file can hold no more than 32,767 contacts");
}

} // namespace

void appendAllOrNothing(DataFile& data, DataFile& scratch, std::span<const ContactRecord> added)
{
    requireRoom(data, std::int64_t(data.recordCount()) + std::int64_t(added.size()));
    std::vector<ContactRecord> numbered(added.begin(), added.end());
    std::int32_t position = data.recordCount();
    for (ContactRecord& record : numbered)
        record.RecordNo = static_cast<std::int16_t>(++position);
    rewriteThroughScratch(data, scratch, {}, encodedRecords(numbered));
}

void replaceAllOrNothing(DataFile& data, DataFile& scratch, std::span<const ContactRecord> records)
{
    requireRoom(data, std::int64_t(records.size()));
    rewriteThroughScratch(data, scratch, {false, 0}, encodedRecords(records));
}

void replaceAllOrNothing(DataFile& data, DataFile& scratch, std::span<const RecordBytes> records)
{
    static_assert(sizeof(RecordBytes) == RecordSize, "records lie side by side");
    requireRoom(data, std::int64_t(records.size()));
    rewriteThroughScratch(
        data, scratch, {false, 0},
        {reinterpret_cast<const std::uint8_t*>(records.data()), records.size() * RecordSize});
}

bool recoverInterruptedDeletion(FileSystem& fs, const std::string& dataName,
                                const std::string& scratchName)
{
    // The scratch file of a data file that is a symbolic link lies beside the file it leads to.
    const std::string target = fs.linkTarget(dataName);
    if (target.empty())
        return recoverIn(fs, ".", dataName, scratchName);
    const std::string folder = folderOf(target);
    return recoverIn(fs, folder, target, folder + "/" + scratchName);
}

void discardStoppedRewrite(FileSystem& fs, const std::string& dataName,
                           const std::string& scratchName)
{
    const std::string target = fs.linkTarget(dataName);
    fs.remove(target.empty() ? scratchName : folderOf(target) + "/" + scratchName);
}

} // namespace store
