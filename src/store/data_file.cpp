#include "store/data_file.h"
#include "store/store_error.h"

#include <algorithm>
#include <limits>

namespace store {
namespace {

constexpr std::int32_t readAheadRecords = 1024;

std::uint64_t offsetOf(std::int32_t n)
{
    return static_cast<std::uint64_t>(n - 1) * RecordSize;
}

} // namespace

DataFile::DataFile(FileSystem& fs, std::string name) : fs_(fs), name_(std::move(name)) {}

void DataFile::open(OpenMode mode)
{
    if (file_)
        throw StoreError("open", name_, "the file is already open");
    auto file = fs_.open(name_, mode);
    const std::uint64_t records = file->length() / RecordSize;
    if (records > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        throw StoreError("open", name_, "the file holds more records than can be counted");
    file_ = std::move(file);
    count_ = static_cast<std::int32_t>(records);
    windowCount_ = 0;
}

void DataFile::close()
{
    if (!file_)
        return;
    auto file = std::move(file_);
    window_.clear();
    windowCount_ = 0;
    file->close();
}

ContactRecord DataFile::read(std::int32_t n)
{
    return view(n).decode();
}

RecordView DataFile::view(std::int32_t n)
{
    if (!file_)
        throw StoreError("read", name_, "the file is not open");
    if (n < 1 || n > count_) {
        // No caller relies on a record that is not there.
        static const RecordBytes blank = encodeRecord(ContactRecord{});
        return RecordView(blank);
    }
    if (n < windowFirst_ || n >= windowFirst_ + windowCount_)
        fillWindow(n);
    const auto* bytes = window_.data() + static_cast<std::size_t>(n - windowFirst_) * RecordSize;
    return RecordView(std::span<const std::uint8_t, RecordSize>(bytes, RecordSize));
}

void DataFile::fillWindow(std::int32_t n)
{
    const std::int32_t wanted = std::min(readAheadRecords, count_ - n + 1);
    window_.resize(static_cast<std::size_t>(wanted) * RecordSize);
    const std::size_t got = file_->readAt(offsetOf(n), window_);
    windowFirst_ = n;
    windowCount_ = static_cast<std::int32_t>(got / RecordSize);
    if (windowCount_ == 0)
        throw StoreError("read", name_, "the file ended before the record");
}

void DataFile::write(std::int32_t n, const ContactRecord& record)
{
    if (!file_)
        throw StoreError("write", name_, "the file is not open");
    if (n < 1)
        throw StoreError("write", name_, "there is no record number " + std::to_string(n));
    const RecordBytes bytes = encodeRecord(record);
    windowCount_ = 0;
    file_->writeAt(offsetOf(n), bytes);
    if (n > count_)
        count_ = n;
}

void DataFile::requireWritable()
{
    if (!file_)
        throw StoreError("write", name_, "the file is not open");
    file_->writeAt(0, {});
}

void DataFile::readRecords(std::int32_t first, std::span<std::uint8_t> records)
{
    if (!file_)
        throw StoreError("read", name_, "the file is not open");
    const std::uint64_t wanted = records.size() / RecordSize;
    if (first < 1 || records.size() % RecordSize != 0 ||
        first - 1 + wanted > static_cast<std::uint64_t>(count_))
        throw StoreError("read", name_, "there are no such records");
    if (file_->readAt(offsetOf(first), records) != records.size())
        throw StoreError("read", name_, "the file ended before the record");
}

void DataFile::writeRecords(std::int32_t first, std::span<const std::uint8_t> records)
{
    if (!file_)
        throw StoreError("write", name_, "the file is not open");
    if (first < 1)
        throw StoreError("write", name_, "there is no record number " + std::to_string(first));
    if (records.size() % RecordSize != 0)
        throw StoreError("write", name_, "the bytes are no whole number of records");
    const std::uint64_t added = records.size() / RecordSize;
    if (added == 0)
        return;
    if (first - 1 + added > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        throw StoreError("write", name_, "the file would hold more records than can be counted");
    windowCount_ = 0;
    file_->writeAt(offsetOf(first), records);
    count_ = std::max(count_, static_cast<std::int32_t>(first - 1 + std::int32_t(added)));
}

void DataFile::sync()
{
    if (!file_)
        throw StoreError("sync", name_, "the file is not open");
    file_->sync();
}

} // namespace store
