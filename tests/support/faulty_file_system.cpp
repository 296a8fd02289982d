#include "support/faulty_file_system.h"

#include "store/store_error.h"

#include <algorithm>

namespace {

// An open file whose operations go through the file system's count.
class FaultyFile final : public store::File {
public:
    FaultyFile(FaultyFileSystem& fs, std::unique_ptr<store::File> real, std::string name)
        : fs_(fs), real_(std::move(real)), name_(std::move(name))
    {
        fs_.opened(name_);
    }
    ~FaultyFile() override { fs_.released(name_); }

    std::uint64_t length() override
    {
        enter(FileOperation::Length);
        return real_->length();
    }
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        enter(FileOperation::Read, offset, out.size());
        return real_->readAt(offset, out);
    }
    void writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override
    {
        enter(FileOperation::Write, offset, data.size());
        real_->writeAt(offset, data);
    }
    void sync() override
    {
        enter(FileOperation::Sync);
        real_->sync();
    }
    void close() override
    {
        enter(FileOperation::Close);
        real_->close();
    }

private:
    void enter(FileOperation kind, std::uint64_t offset = 0, std::size_t bytes = 0)
    {
        fs_.enter({.kind = kind, .name = name_, .offset = offset, .bytes = bytes});
    }

    FaultyFileSystem& fs_;
    std::unique_ptr<store::File> real_;
    std::string name_;
};

} // namespace

const char* nameOf(FileOperation kind)
{
    switch (kind) {
    case FileOperation::Open:
        return "open";
    case FileOperation::Length:
        return "length";
    case FileOperation::Read:
        return "read";
    case FileOperation::Write:
        return "write";
    case FileOperation::Sync:
        return "sync";
    case FileOperation::Close:
        return "close";
    case FileOperation::Rename:
        return "rename";
    case FileOperation::Remove:
        return "remove";
    case FileOperation::SyncDirectory:
        return "syncDirectory";
    case FileOperation::LookUp:
        return "lookUp";
    case FileOperation::Lock:
        return "lock";
    }
    return "?";
}

const char* failureWord(const OperationRecord& record)
{
    switch (record.kind) {
    case FileOperation::Open:
        return record.mode == store::OpenMode::CreateNew ? "create" : "open";
    case FileOperation::Length:
    case FileOperation::LookUp:
    case FileOperation::Read:
        return "read";
    case FileOperation::SyncDirectory:
        return "sync";
    default:
        return nameOf(record.kind);
    }
}

std::string OperationRecord::describe() const
{
    std::string text = std::to_string(number) + " " + nameOf(kind) + " " + name;
    if (kind == FileOperation::Open && mode == store::OpenMode::CreateNew)
        text += " (new)";
    if (kind == FileOperation::Write && bytes == 0)
        text += " (nothing)";
    if (!target.empty())
        text += " -> " + target;
    if (failed)
        text += " [failed]";
    return text;
}

FaultyFileSystem::FaultyFileSystem(store::FileSystem& real) : real_(real) {}

FaultyFileSystem::~FaultyFileSystem() = default;

void FaultyFileSystem::restartCount()
{
    log_.clear();
    stopFailing();
    failures_ = 0;
}

void FaultyFileSystem::failAt(int k)
{
    failAt_ = k;
}

void FaultyFileSystem::failFrom(int k)
{
    failFrom_ = k;
}

void FaultyFileSystem::failFirst(std::function<bool(const OperationRecord&)> matches)
{
    failFirst_ = std::move(matches);
}

void FaultyFileSystem::failEvery(std::function<bool(const OperationRecord&)> matches)
{
    failEvery_ = std::move(matches);
}

void FaultyFileSystem::stopFailing()
{
    failAt_.reset();
    failFrom_.reset();
    failFirst_ = nullptr;
    failEvery_ = nullptr;
}

std::vector<OperationRecord> FaultyFileSystem::operationsOn(FileOperation kind,
                                                            const std::string& name) const
{
    std::vector<OperationRecord> found;
    for (const auto& record : log_) {
        if (record.kind == kind && record.name == name)
            found.push_back(record);
    }
    return found;
}

std::string FaultyFileSystem::describeAll() const
{
    std::string text;
    for (const auto& record : log_)
        text += record.describe() + "\n";
    return text;
}

void FaultyFileSystem::released(const std::string& name)
{
    const auto at = std::find(open_.begin(), open_.end(), name);
    if (at != open_.end())
        open_.erase(at);
}

void FaultyFileSystem::enter(OperationRecord record)
{
    record.number = count() + 1;
    bool fail =
        (failAt_ && *failAt_ == record.number) || (failFrom_ && *failFrom_ <= record.number);
    fail = fail || (failEvery_ && failEvery_(record));
    if (!fail && failFirst_ && failFirst_(record)) {
        fail = true;
        failFirst_ = nullptr;
    }
    record.failed = fail;
    log_.push_back(record);
    if (fail) {
        ++failures_;
        if (record.kind == FileOperation::Lock) // the one way a lock fails: it is kept
            throw store::FolderBusy("datphone");
        throw store::StoreError(failureWord(record), record.name, "injected failure");
    }
}

std::unique_ptr<store::File> FaultyFileSystem::open(const std::string& name, store::OpenMode mode)
{
    enter({.kind = FileOperation::Open, .name = name, .mode = mode});
    return std::make_unique<FaultyFile>(*this, real_.open(name, mode), name);
}

bool FaultyFileSystem::exists(const std::string& name)
{
    enter({.kind = FileOperation::LookUp, .name = name});
    return real_.exists(name);
}

bool FaultyFileSystem::isRegularFile(const std::string& name)
{
    enter({.kind = FileOperation::LookUp, .name = name});
    return real_.isRegularFile(name);
}

void FaultyFileSystem::rename(const std::string& from, const std::string& to)
{
    enter({.kind = FileOperation::Rename, .name = from, .target = to});
    real_.rename(from, to);
}

void FaultyFileSystem::remove(const std::string& name)
{
    enter({.kind = FileOperation::Remove, .name = name});
    real_.remove(name);
}

void FaultyFileSystem::syncDirectory(const std::string& folder)
{
    enter({.kind = FileOperation::SyncDirectory, .name = folder});
    real_.syncDirectory(folder);
}

std::string FaultyFileSystem::linkTarget(const std::string& name)
{
    enter({.kind = FileOperation::LookUp, .name = name});
    return real_.linkTarget(name);
}

std::unique_ptr<store::FolderLock>
FaultyFileSystem::lockFolder(const std::function<void()>& waiting)
{
    enter({.kind = FileOperation::Lock, .name = "."});
    return real_.lockFolder(waiting);
}
