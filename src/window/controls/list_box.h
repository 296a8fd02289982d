#pragma once

#include <QListView>
#include <QString>
#include <QStringList>
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

class ListModel;

// A list of texts in the order in which they were inserted (never sorted), with a single
// selection. userSelected is raised when the user picks an entry with the mouse (a click, or
// a press dragged onto another entry) or moves to one with the keyboard; filling or clearing
// the list from the program never raises it.
class ListBox : public QListView {
    Q_OBJECT

public:
    explicit ListBox(QWidget* parent = nullptr);

    void clear();
    void addItem(const QString& text, int position);
    // Replaces every entry in one step, the fast way to fill a long list, and leaves nothing
    // selected.
    void setItems(ListEntries entries);
    void setItems(const QStringList& texts);

    int count() const;
    // The position of the selected entry, or -1 when none is selected.
    int listIndex() const;
    // The text of the selected entry, or the empty text when none is selected.
    QString selectedText() const;
    QString itemText(int position) const;
    QStringList items() const;

    // A grey line of text shown inside the list while it has no entry; none when empty.
    void setEmptyHint(const QString& hint);
    QString emptyHint() const { return emptyHint_; }

signals:
    void userSelected();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString emptyHint_;
    ListModel* model_;
    // Set while the program fills or clears the list, whose selection changes are not the
    // user's.
    bool filling_ = false;
    // Whether the selection moved since the last mouse press; a click that moved nothing
    // (on the entry already selected) still counts as picking it.
    bool movedSincePress_ = false;
};
