#pragma once

#include "store/contact_record.h"
#include "store/file_system.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace store {

// A file of 129-byte records, open for the length of one action. Record n (from 1) starts
// at byte (n - 1) * 129; the count is the length divided by 129, so a trailing partial record
// is neither counted nor read, and the next append overwrites it.
class DataFile {
public:
    DataFile(FileSystem& fs, std::string name);

    // Opens the file for reading and writing, creating it empty when it is missing (or, with
    // CreateNew, only as a new file), and counts its records. Opening a file that is already
    // open is an error.
    void open(OpenMode mode = OpenMode::OpenOrCreate);
    // Closing a file that is not open does nothing.
    void close();
    bool isOpen() const { return file_ != nullptr; }

    // The count taken when the file was opened.
    std::int32_t recordCount() const { return count_; }

    ContactRecord read(std::int32_t n);
    // Record n in place, for the scans: valid until the next read, view, write or close. A
    // number past the count gives a blank record, as read does.
    RecordView view(std::int32_t n);
    // n up to the count replaces that record; n = count + 1 appends it.
    void write(std::int32_t n, const ContactRecord& record);
    // Records first, first + 1, ... from their bytes, a whole number of records, in one call
    // to the file: how a file is written anew without a system call per record. The same
    // rules as write: first is at most count + 1.
    void writeRecords(std::int32_t first, std::span<const std::uint8_t> records);
    // Records first, first + 1, ... into `records`, a whole number of them, in one call to the
    // file; all of them must be within the count.
    void readRecords(std::int32_t first, std::span<std::uint8_t> records);
    void sync();
    // Fails as a write would when the file may only be read; writes nothing.
    void requireWritable();

    const std::string& name() const { return name_; }
    FileSystem& fileSystem() { return fs_; }

private:
    void fillWindow(std::int32_t n);

    FileSystem& fs_;
    std::string name_;
    std::unique_ptr<File> file_;
    std::int32_t count_ = 0;

    // Records read ahead in one call, for the scans that read every record in turn. Kept
    // only while the file is open, and dropped by every write.
    std::vector<std::uint8_t> window_;
    std::int32_t windowFirst_ = 0;
    std::int32_t windowCount_ = 0;
};

} // namespace store
