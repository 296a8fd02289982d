#pragma once

#include "store/file_system.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Every kind of operation the store makes on files.
enum class FileOperation {
    Open,          // FileSystem::open, either mode
    Length,        // File::length
    Read,          // File::readAt
    Write,         // File::writeAt
    Sync,          // File::sync
    Close,         // File::close
    Rename,        // FileSystem::rename
    Remove,        // FileSystem::remove
    SyncDirectory, // FileSystem::syncDirectory
    LookUp,        // FileSystem::exists, isRegularFile and linkTarget
    Lock,          // FileSystem::lockFolder, taken at the start of every action
};

const char* nameOf(FileOperation kind);

// One operation as it was asked for, in the order of asking.
struct OperationRecord {
    int number = 0; // from 1, counted since the last restartCount()
    FileOperation kind = FileOperation::Open;
    std::string name = {};   // the file or name the operation is on; the folder for syncDirectory
    std::string target = {}; // the new name of a rename, else empty
    store::OpenMode mode = store::OpenMode::OpenOrCreate; // of an open
    bool failed = false;
    std::uint64_t offset = 0; // where a read or write begins
    std::size_t bytes = 0;    // how many bytes a read asks for or a write writes

    // "7 write dephone", "3 write datphone (nothing)" for a write of no bytes,
    // "12 rename dephone -> datphone".
    std::string describe() const;
};

// The word a failure of the operation is reported with, as the real file system reports it:
// "create" for a new file, "read" for a length or a look-up, "sync" for the folder, "lock".
const char* failureWord(const OperationRecord& record);

// A file system that passes every operation on to a real one, numbers and records each, and
// makes the chosen ones fail with a StoreError instead of running them. A failed operation
// does nothing at all, so the files stay as they were before it, as a machine that stops
// there would leave them (less what it had not yet put on the disk).
class FaultyFileSystem final : public store::FileSystem {
public:
    explicit FaultyFileSystem(store::FileSystem& real = store::posixFileSystem());
    ~FaultyFileSystem() override;

    // Numbers operations from 1 again, forgets the log and drops every planned failure.
    void restartCount();

    // Operation number k fails; the ones after it run.
    void failAt(int k);
    // Operation number k and every one after it fail: the machine stops at k.
    void failFrom(int k);
    // The first operation for which `matches` holds fails.
    void failFirst(std::function<bool(const OperationRecord&)> matches);
    // Every operation for which `matches` holds fails, until stopFailing.
    void failEvery(std::function<bool(const OperationRecord&)> matches);
    // No operation fails any more; the count goes on.
    void stopFailing();

    int count() const { return static_cast<int>(log_.size()); }
    const std::vector<OperationRecord>& operations() const { return log_; }
    // The operations whose kind and name are these, in order.
    std::vector<OperationRecord> operationsOn(FileOperation kind, const std::string& name) const;
    // How many failures were made so far.
    int failures() const { return failures_; }
    // The log, one operation a line.
    std::string describeAll() const;
    // The files it opened that are still open, by name: a file counts as open until it is
    // destroyed, since a close that failed still lets go of it.
    std::vector<std::string> openFiles() const { return open_; }

    std::unique_ptr<store::File> open(const std::string& name, store::OpenMode mode) override;
    bool exists(const std::string& name) override;
    bool isRegularFile(const std::string& name) override;
    void rename(const std::string& from, const std::string& to) override;
    void remove(const std::string& name) override;
    void syncDirectory(const std::string& folder) override;
    std::string linkTarget(const std::string& name) override;
    std::unique_ptr<store::FolderLock> lockFolder(const std::function<void()>& waiting) override;

    // Counts and, when planned, fails one operation; used by the files it opened too.
    void enter(OperationRecord record);
    void opened(const std::string& name) { open_.push_back(name); }
    void released(const std::string& name);

private:
    store::FileSystem& real_;
    std::vector<OperationRecord> log_;
    std::optional<int> failAt_;
    std::optional<int> failFrom_;
    std::function<bool(const OperationRecord&)> failFirst_;
    std::function<bool(const OperationRecord&)> failEvery_;
    int failures_ = 0;
    std::vector<std::string> open_;
};
