#pragma once

#include "window/controls/list_entries.h"
#include "window/controls/uniform_rows.h"

#include <QAccessible>
#include <QListView>
#include <QString>
#include <QStringList>

class ListModel;

// A list of texts in the order in which they were inserted (never sorted), with a single
// selection. userSelected is raised when the user picks an entry with the mouse (a click, or
// a press dragged onto another entry) or moves to one with the keyboard; filling or clearing
// the list from the program never raises it.
//
// Every entry is one line of the same height, so the list places its rows by arithmetic where
// a plain list view would lay out and measure each of thousands of entries before it first
// shows. It stays a list view to everything else: the keyboard, the mouse, the selection, and
// screen readers, which know it as a list.
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
    // Selects the entry at `position` from the program, shown in the list, without
    // userSelected; -1 selects none.
    void setListIndex(int position);
    // The text of the selected entry, or the empty text when none is selected.
    QString selectedText() const;
    QString itemText(int position) const;
    QStringList items() const;
    const ListEntries& entries() const;

    // A grey line of text shown inside the list while it has no entry; none when empty.
    void setEmptyHint(const QString& hint);
    QString emptyHint() const { return emptyHint_; }

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;

signals:
    void userSelected();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    QSize viewportSizeHint() const override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    // The rows as they stand: how many, and the height of each, taken from the first entry.
    UniformRows rows() const;
    // The size of the first entry, which every entry shares; measured once per filling.
    QSize entrySize() const;
    bool scrollsByRow() const { return verticalScrollMode() == ScrollPerItem; }
    // Where a row is drawn, in the viewport.
    QRect rowRect(int row) const;
    void paintRows(QPainter& painter, const QRect& area);
    void paintEmptyHint(QPainter& painter);
    void tellScreenReaders(QAccessible::Event event, const QModelIndex& index);

    mutable QSize entrySize_;
    int hoverRow_ = -1;
    QString emptyHint_;
    ListModel* model_;
    // Set while the program fills or clears the list, whose selection changes are not the
    // user's.
    bool filling_ = false;
    // Whether the selection moved since the last mouse press; a click that moved nothing
    // (on the entry already selected) still counts as picking it.
    bool movedSincePress_ = false;
};
