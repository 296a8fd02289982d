#include "window/controls/list_entries.h"

#include <algorithm>
#include <utility>

ListEntries::ListEntries(const ListEntries& other)
{
    makeRoom(other.used());
    std::copy_n(other.text_.get(), other.used(), text_.get());
    ends_ = other.ends_;
}

ListEntries& ListEntries::operator=(const ListEntries& other)
{
    if (this != &other)
        *this = ListEntries(other);
    return *this;
}

ListEntries::ListEntries(ListEntries&& other) noexcept
    : text_(std::move(other.text_)), capacity_(std::exchange(other.capacity_, 0)),
      ends_(std::move(other.ends_))
{
    other.ends_.clear();
}

ListEntries& ListEntries::operator=(ListEntries&& other) noexcept
{
    text_ = std::move(other.text_);
    capacity_ = std::exchange(other.capacity_, 0);
    ends_ = std::move(other.ends_);
    other.ends_.clear();
    return *this;
}

void ListEntries::makeRoom(qsizetype characters)
{
    if (characters <= capacity_)
        return;
    // Left unwritten: the room taken for a list of every record costs nothing until it is
    // filled.
    auto text = std::make_unique_for_overwrite<char16_t[]>(std::size_t(characters));
    std::copy_n(text_.get(), used(), text.get());
    text_ = std::move(text);
    capacity_ = characters;
}

void ListEntries::append(QStringView text)
{
    std::copy(text.utf16(), text.utf16() + text.size(), appendUninitialized(text.size()));
}

char16_t* ListEntries::appendUninitialized(qsizetype length)
{
    const qsizetype at = used();
    if (at + length > capacity_)
        makeRoom(std::max({2 * capacity_, at + length, qsizetype(256)}));
    ends_.push_back(at + length);
    return text_.get() + at;
}

void ListEntries::insert(qsizetype position, QStringView text)
{
    position = std::clamp<qsizetype>(position, 0, size());
    const qsizetype at = position == 0 ? 0 : ends_[std::size_t(position - 1)];
    const qsizetype end = used();
    makeRoom(end + text.size());
    std::copy_backward(text_.get() + at, text_.get() + end, text_.get() + end + text.size());
    std::copy_n(text.utf16(), text.size(), text_.get() + at);
    ends_.insert(ends_.begin() + position, at);
    for (auto entryEnd = ends_.begin() + position; entryEnd != ends_.end(); ++entryEnd)
        *entryEnd += text.size();
}

void ListEntries::reserve(qsizetype entries, qsizetype characters)
{
    ends_.reserve(ends_.size() + std::size_t(entries));
    makeRoom(used() + characters);
}

void ListEntries::squeeze()
{
    if (capacity_ > 2 * used() + 256) {
        auto text = std::make_unique_for_overwrite<char16_t[]>(std::size_t(used()));
        std::copy_n(text_.get(), used(), text.get());
        text_ = std::move(text);
        capacity_ = used();
    }
    if (ends_.capacity() > 2 * ends_.size() + 64)
        ends_.shrink_to_fit();
}

QStringView ListEntries::at(qsizetype position) const
{
    const qsizetype begin = position == 0 ? 0 : ends_[std::size_t(position - 1)];
    return QStringView(text_.get() + begin, ends_[std::size_t(position)] - begin);
}

bool operator==(const ListEntries& a, const ListEntries& b)
{
    return a.ends_ == b.ends_ && std::equal(a.text_.get(), a.text_.get() + a.used(), b.text_.get());
}
