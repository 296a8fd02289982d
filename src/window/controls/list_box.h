#pragma once

#include <QListView>
#include <QStringList>

class QStringListModel;

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
    // Replaces every entry in one step: the fast way to fill a long list.
    void setItems(const QStringList& texts);

    int count() const;
    // The position of the selected entry, or -1 when none is selected.
    int listIndex() const;
    // The text of the selected entry, or the empty text when none is selected.
    QString selectedText() const;
    QString itemText(int position) const;
    QStringList items() const;

signals:
    void userSelected();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QStringListModel* model_;
    // Set while the program fills or clears the list, whose selection changes are not the
    // user's.
    bool filling_ = false;
    // Whether the selection moved since the last mouse press; a click that moved nothing
    // (on the entry already selected) still counts as picking it.
    bool movedSincePress_ = false;
};
