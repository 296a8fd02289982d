#include "window/controls/list_entries.h"

#include <algorithm>
#include <utility>

const ListEntries::Encoding ListEntries::Utf8{
    [](std::string_view bytes) { return QString::fromUtf8(bytes.data(), qsizetype(bytes.size())); },
    [](QStringView text) { return text.toUtf8().toStdString(); }};

ListEntries::ListEntries(const ListEntries& other) : encoding_(other.encoding_)
{
    makeRoom(other.used());
    std::copy_n(other.bytes_.get(), other.used(), bytes_.get());
    ends_ = other.ends_;
}

ListEntries& ListEntries::operator=(const ListEntries& other)
{
    if (this != &other)
        *this = ListEntries(other);
    return *this;
}

ListEntries::ListEntries(ListEntries&& other) noexcept
    : encoding_(other.encoding_), bytes_(std::move(other.bytes_)),
      capacity_(std::exchange(other.capacity_, 0)), ends_(std::move(other.ends_))
{
    other.ends_.clear();
}

ListEntries& ListEntries::operator=(ListEntries&& other) noexcept
{
    encoding_ = other.encoding_;
    bytes_ = std::move(other.bytes_);
    capacity_ = std::exchange(other.capacity_, 0);
    ends_ = std::move(other.ends_);
    other.ends_.clear();
    return *this;
}

void ListEntries::makeRoom(qsizetype bytes)
{
    if (bytes <= capacity_)
        return;
    // Left unwritten: the room taken for a list of every record costs nothing until it is
    // filled.
    auto block = std::make_unique_for_overwrite<char[]>(std::size_t(bytes));
    std::copy_n(bytes_.get(), used(), block.get());
    bytes_ = std::move(block);
    capacity_ = bytes;
}

void ListEntries::append(QStringView text)
{
    appendBytes(encoding_->encode(text));
}

void ListEntries::insert(qsizetype position, QStringView text)
{
    const std::string bytes = encoding_->encode(text);
    const auto length = qsizetype(bytes.size());
    position = std::clamp<qsizetype>(position, 0, size());
    const qsizetype at = position == 0 ? 0 : ends_[std::size_t(position - 1)];
    const qsizetype end = used();
    makeRoom(end + length);
    std::copy_backward(bytes_.get() + at, bytes_.get() + end, bytes_.get() + end + length);
    std::copy(bytes.begin(), bytes.end(), bytes_.get() + at);
    ends_.insert(ends_.begin() + position, at);
    for (auto entryEnd = ends_.begin() + position; entryEnd != ends_.end(); ++entryEnd)
        *entryEnd += length;
}

void ListEntries::reserve(qsizetype entries, qsizetype bytes)
{
    ends_.reserve(ends_.size() + std::size_t(entries));
    makeRoom(used() + bytes);
}

void ListEntries::squeeze()
{
    if (capacity_ > 2 * used() + 256) {
        auto block = std::make_unique_for_overwrite<char[]>(std::size_t(used()));
        std::copy_n(bytes_.get(), used(), block.get());
        bytes_ = std::move(block);
        capacity_ = used();
    }
    if (ends_.capacity() > 2 * ends_.size() + 64)
        ends_.shrink_to_fit();
}

std::string_view ListEntries::bytesAt(qsizetype position) const
{
    const qsizetype begin = position == 0 ? 0 : ends_[std::size_t(position - 1)];
    return {bytes_.get() + begin, std::size_t(ends_[std::size_t(position)] - begin)};
}

bool operator==(const ListEntries& a, const ListEntries& b)
{
    return a.encoding_ == b.encoding_ && a.ends_ == b.ends_ &&
           std::equal(a.bytes_.get(), a.bytes_.get() + a.used(), b.bytes_.get());
}
