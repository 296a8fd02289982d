#include "window/controls/list_box.h"

#include <QKeyEvent>
#include <QStringListModel>

ListBox::ListBox(QWidget* parent) : QListView(parent), model_(new QStringListModel(this))
{
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setMovement(QListView::Static);
    connect(this, &QAbstractItemView::clicked, this, [this] { emit userSelected(); });
}

void ListBox::clear()
{
    model_->setStringList({});
}

void ListBox::addItem(const QString& text, int position)
{
    position = qBound(0, position, model_->rowCount());
    model_->insertRows(position, 1);
    model_->setData(model_->index(position), text);
}

void ListBox::setItems(const QStringList& texts)
{
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

void ListBox::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex before = currentIndex();
    const int selectedBefore = listIndex();
    QListView::keyPressEvent(event);
    if (currentIndex() != before || listIndex() != selectedBefore)
        emit userSelected();
}
