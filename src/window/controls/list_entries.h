#pragma once

#include <QString>
#include <QStringView>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The texts of a list, kept end to end in one block of bytes: a list of thousands of entries
// is filled without a text of its own for each, two lists compare in one step, and an entry
// becomes text only when it is shown.
class ListEntries {
public:
    // How the entries' bytes are read as text, and text is written as bytes.
    struct Encoding {
        QString (*decode)(std::string_view bytes);
        std::string (*encode)(QStringView text);
    };
    static const Encoding Utf8;

    explicit ListEntries(const Encoding& encoding = Utf8) : encoding_(&encoding) {}
    ListEntries(const ListEntries& other);
    ListEntries& operator=(const ListEntries& other);
    ListEntries(ListEntries&& other) noexcept;
    ListEntries& operator=(ListEntries&& other) noexcept;

    void append(QStringView text);
    // An entry of bytes in the entries' encoding, taken as they are.
    void appendBytes(std::string_view bytes)
    {
        if (used() + qsizetype(bytes.size()) > capacity_)
            makeRoom(std::max({2 * capacity_, used() + qsizetype(bytes.size()), qsizetype(256)}));
        std::copy(bytes.begin(), bytes.end(), bytes_.get() + used());
        ends_.push_back(used() + qsizetype(bytes.size()));
    }
    void insert(qsizetype position, QStringView text);
    // Room for this many more entries of that many bytes in all, taken in one step.
    void reserve(qsizetype entries, qsizetype bytes);
    // Gives back what filling left over, when that is much.
    void squeeze();

    qsizetype size() const { return static_cast<qsizetype>(ends_.size()); }
    bool isEmpty() const { return ends_.empty(); }
    QString at(qsizetype position) const { return encoding_->decode(bytesAt(position)); }
    std::string_view bytesAt(qsizetype position) const;

    friend bool operator==(const ListEntries& a, const ListEntries& b);

private:
    qsizetype used() const { return ends_.empty() ? 0 : ends_.back(); }
    void makeRoom(qsizetype bytes);

    const Encoding* encoding_;
    // The entries' bytes, end to end; past used() up to capacity_ is room for more, not yet
    // written.
    std::unique_ptr<char[]> bytes_;
    qsizetype capacity_ = 0;
    std::vector<qsizetype> ends_; // where each entry ends in bytes_
};
