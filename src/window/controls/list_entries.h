#pragma once

#include <QStringView>

#include <memory>
#include <vector>

// The texts of a list, kept end to end in one text: a list of thousands of entries is filled
// without a text of its own for each, and two lists compare in one step.
class ListEntries {
public:
    ListEntries() = default;
    ListEntries(const ListEntries& other);
    ListEntries& operator=(const ListEntries& other);
    ListEntries(ListEntries&& other) noexcept;
    ListEntries& operator=(ListEntries&& other) noexcept;

    void append(QStringView text);
    // Makes room for an entry of `length` characters at the end; they are to be written at
    // the place returned, before the next change of the entries.
    char16_t* appendUninitialized(qsizetype length);
    void insert(qsizetype position, QStringView text);
    // Room for this many more entries of that many characters in all, taken in one step.
    void reserve(qsizetype entries, qsizetype characters);
    // Gives back what filling left over, when that is much.
    void squeeze();

    qsizetype size() const { return static_cast<qsizetype>(ends_.size()); }
    bool isEmpty() const { return ends_.empty(); }
    QStringView at(qsizetype position) const;

    friend bool operator==(const ListEntries& a, const ListEntries& b);

private:
    qsizetype used() const { return ends_.empty() ? 0 : ends_.back(); }
    void makeRoom(qsizetype characters);

    // The entries' characters, end to end; past used() up to capacity_ is room for more, not
    // yet written.
    std::unique_ptr<char16_t[]> text_;
    qsizetype capacity_ = 0;
    std::vector<qsizetype> ends_; // where each entry ends in text_
};
