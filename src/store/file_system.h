#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace store {

// An open file. Every operation either completes or throws StoreError.
class File {
public:
    virtual ~File() = default;

    virtual std::uint64_t length() = 0;
    // Reads up to out.size() bytes at offset; returns how many there were (fewer at the end).
    virtual std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
    virtual void writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
    // Puts what was written on the disk before the call returns.
    virtual void sync() = 0;
    virtual void close() = 0;
};

// Held while one action runs: the actions of every Zarvoth window on the same folder follow
// one another, so one window never loses what another has just written.
class FolderLock {
public:
    virtual ~FolderLock() = default;
};

enum class OpenMode {
    // Read and write; a missing file is created empty. A file that may only be read is
    // opened for reading, and a write to it fails with the reason the open gave.
    OpenOrCreate,
    // A new file only: fails when the name exists, a symbolic link included.
    CreateNew,
};

// The file operations of the store, relative to the working directory. Production uses the
// POSIX calls; tests put a failing or crashing file system in its place.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // New files get mode 0600: contacts are personal data.
    virtual std::unique_ptr<File> open(const std::string& name, OpenMode mode) = 0;
    virtual bool exists(const std::string& name) = 0;
    // Whether the name is a plain file: not missing, not a folder, not a symbolic link.
    virtual bool isRegularFile(const std::string& name) = 0;
    // Replaces `to` by `from` in one step.
    virtual void rename(const std::string& from, const std::string& to) = 0;
    // Removes the name; a name that does not exist is no error.
    virtual void remove(const std::string& name) = 0;
    // Makes renames and removals in `folder` ("." for the working directory) durable.
    virtual void syncDirectory(const std::string& folder) = 0;
    // Where the symbolic link `name` leads, as a full path; empty when `name` is no symbolic
    // link or leads nowhere.
    virtual std::string linkTarget(const std::string& name) = 0;
    // Waits a little for the other windows on this folder to end their action, then takes
    // the folder; `waiting` is called once before the first wait. Fails with FolderBusy when
    // one of them keeps it. Where the system cannot lock the folder at all (it may not be
    // read, or its file system has no locks), there is no lock and no failure: the window
    // works as the only one. A file system without other users needs no lock.
    virtual std::unique_ptr<FolderLock> lockFolder(const std::function<void()>& waiting)
    {
        (void)waiting;
        return nullptr;
    }
};

// The real file system of the machine.
FileSystem& posixFileSystem();

} // namespace store
