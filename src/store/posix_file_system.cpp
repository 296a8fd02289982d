#include "store/file_system.h"
#include "store/store_error.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace store {

std::string systemReason(int error)
{
    return std::strerror(error);
}

namespace {

[[noreturn]] void fail(const char* operation, const std::string& name, int error = errno)
{
    throw StoreError(operation, name, systemReason(error));
}

class PosixFile final : public File {
public:
    PosixFile(int fd, std::string name, int writeError)
        : fd_(fd), name_(std::move(name)), writeError_(writeError)
    {
    }
    ~PosixFile() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    std::uint64_t length() override
    {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            fail("read", name_);
        return static_cast<std::uint64_t>(st.st_size);
    }

    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        std::size_t done = 0;
        while (done < out.size()) {
            const auto n = ::pread(fd_, out.data() + done, out.size() - done,
                                   static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                fail("read", name_);
            if (n == 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

    void writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override
    {
        if (writeError_ != 0)
            fail("write", name_, writeError_);
        std::size_t done = 0;
        while (done < data.size()) {
            const auto n = ::pwrite(fd_, data.data() + done, data.size() - done,
                                    static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                fail("write", name_);
            done += static_cast<std::size_t>(n);
        }
    }

    void sync() override
    {
        if (writeError_ == 0 && ::fsync(fd_) != 0)
            fail("sync", name_);
    }

    void close() override
    {
        const int fd = fd_;
        fd_ = -1;
        if (fd >= 0 && ::close(fd) != 0 && errno != EINTR)
            fail("close", name_);
    }

private:
    int fd_;
    std::string name_;
    int writeError_; // why the file could only be opened for reading, or 0
};

// An advisory lock on the working directory itself: it needs no file of its own, and it
// stays the same while the data file is replaced by a deletion.
class PosixFolderLock final : public FolderLock {
public:
    explicit PosixFolderLock(int fd) : fd_(fd) {}
    ~PosixFolderLock() override { ::close(fd_); } // closing releases the lock

private:
    int fd_;
};

constexpr auto lockPatience = std::chrono::seconds(5);

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<File> open(const std::string& name, OpenMode mode) override
    {
        if (mode == OpenMode::CreateNew) {
            const int fd =
                ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0)
                fail("create", name);
            return std::make_unique<PosixFile>(fd, name, 0);
        }
        int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0)
            return std::make_unique<PosixFile>(fd, name, 0);
        const int writeError = errno;
        if (writeError == EACCES || writeError == EROFS || writeError == EPERM) {
            fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0)
                return std::make_unique<PosixFile>(fd, name, writeError);
        }
        fail("open", name, writeError);
    }

    bool exists(const std::string& name) override
    {
        struct stat st {};
        return ::lstat(name.c_str(), &st) == 0;
    }

    bool isRegularFile(const std::string& name) override
    {
        struct stat st {};
        return ::lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }

    void rename(const std::string& from, const std::string& to) override
    {
        if (::rename(from.c_str(), to.c_str()) != 0)
            fail("rename", from);
    }

    void remove(const std::string& name) override
    {
        if (::unlink(name.c_str()) != 0 && errno != ENOENT)
            fail("remove", name);
    }

    std::string linkTarget(const std::string& name) override
    {
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return {};
        char* resolved = ::realpath(name.c_str(), nullptr);
        if (resolved == nullptr)
            return {};
        std::string target(resolved);
        std::free(resolved);
        return target;
    }

    std::unique_ptr<FolderLock> lockFolder(const std::function<void()>& waiting) override
    {
        // A folder that may be written but not read (mode 0300) cannot be opened to be
        // locked, and some file systems have no locks: nothing can keep two windows apart
        // there, and the window works as the only one.
        const int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        const auto giveUp = std::chrono::steady_clock::now() + lockPatience;
        bool waited = false;
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            if (error != EWOULDBLOCK) {
                ::close(fd);
                return nullptr;
            }
            if (std::chrono::steady_clock::now() > giveUp) {
                ::close(fd);
                throw FolderBusy("datphone");
            }
            if (!std::exchange(waited, true) && waiting)
                waiting();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::make_unique<PosixFolderLock>(fd);
    }

    void syncDirectory(const std::string& folder) override
    {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 && errno == EACCES) {
            // A folder that may not be read cannot be synced alone; syncing everything puts
            // its changes on the disk as well.
            ::sync();
            return;
        }
        const int error = fd < 0 ? errno : ::fsync(fd) == 0 ? 0 : errno;
        if (fd >= 0)
            ::close(fd);
        if (error != 0)
            throw StoreError("sync", folder, systemReason(error), StoreError::Subject::Folder);
    }
};

} // namespace

FileSystem& posixFileSystem()
{
    static PosixFileSystem fs;
    return fs;
}

} // namespace store
