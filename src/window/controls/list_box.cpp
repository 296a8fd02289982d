#include "window/controls/list_box.h"

#include <QMouseEvent>
#include <QStringListModel>

namespace {

// Runs a change of the list's entries with the user's selection signal held back.
class Filling {
public:
    explicit Filling(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~Filling() { flag_ = before_; }
    Filling(const Filling&) = delete;
    Filling& operator=(const Filling&) = delete;

private:
    bool& flag_;
    bool before_;
};

} // namespace

ListBox::ListBox(QWidget* parent) : QListView(parent), model_(new QStringListModel(this))
{
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setMovement(QListView::Static);
    // Whatever way the user moves the selection (click, drag, arrow keys, Home, End, a typed
    // initial), the entry picked is the one that ends up selected.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (filling_)
            return;
        movedSincePress_ = true;
        emit userSelected();
    });
    connect(this, &QAbstractItemView::clicked, this, [this] {
        if (!movedSincePress_)
            emit userSelected();
    });
}

void ListBox::mousePressEvent(QMouseEvent* event)
{
    // A click below the last entry picks nothing and keeps the selection, as in a plain list
    // box: only entries are picked.
    if (!indexAt(event->position().toPoint()).isValid()) {
        event->accept();
        return;
    }
    movedSincePress_ = false;
    QListView::mousePressEvent(event);
}

void ListBox::clear()
{
    const Filling filling(filling_);
    model_->setStringList({});
}

void ListBox::addItem(const QString& text, int position)
{
    const Filling filling(filling_);
    position = qBound(0, position, model_->rowCount());
    model_->insertRows(position, 1);
    model_->setData(model_->index(position), text);
}

void ListBox::setItems(const QStringList& texts)
{
    const Filling filling(filling_);
    model_->setStringList(texts);
}

int ListBox::count() const
{
    return model_->rowCount();
}

int ListBox::listIndex() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

QString ListBox::selectedText() const
{
    const int index = listIndex();
    return index < 0 ? QString() : itemText(index);
}

QString ListBox::itemText(int position) const
{
    return model_->data(model_->index(position), Qt::DisplayRole).toString();
}

QStringList ListBox::items() const
{
    return model_->stringList();
}
