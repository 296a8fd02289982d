#include "window/controls/list_box.h"

#include <QAbstractListModel>
#include <QHoverEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <utility>

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

// The list's entries as the view sees them: one column of texts, each made when it is shown.
class ListModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(entries_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= entries_.size() ||
            (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return entries_.at(index.row());
    }

    // The entries are texts that may be edited, dragged and dropped, like those of a plain
    // string list; the list box itself allows none of it.
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return QAbstractListModel::flags(index) | Qt::ItemIsDropEnabled;
        return QAbstractListModel::flags(index) | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
               Qt::ItemIsDropEnabled;
    }

    const ListEntries& entries() const { return entries_; }

    void replace(ListEntries entries)
    {
        beginResetModel();
        entries_ = std::move(entries);
        endResetModel();
    }

    void insert(int position, const QString& text)
    {
        position = std::clamp(position, 0, static_cast<int>(entries_.size()));
        beginInsertRows(QModelIndex(), position, position);
        entries_.insert(position, text);
        endInsertRows();
    }

private:
    ListEntries entries_;
};

ListBox::ListBox(QWidget* parent) : QListView(parent), model_(new ListModel(this))
{
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
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

void ListBox::keyPressEvent(QKeyEvent* event)
{
    // With no entry chosen, the first arrow key chooses the first entry. The view would move
    // on from the entry its cursor rests on, which it puts on the first entry when the list
    // gets the focus, and so skip the first entry.
    const bool arrow = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier; // arrows carry it on X11
    if (arrow && modifiers == Qt::NoModifier && listIndex() < 0 && count() > 0) {
        const QModelIndex first = model_->index(0);
        selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
        scrollTo(first);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void ListBox::clear()
{
    setItems(ListEntries());
}

void ListBox::addItem(const QString& text, int position)
{
    const Filling filling(filling_);
    entrySize_ = {};
    model_->insert(position, text);
}

void ListBox::setItems(ListEntries entries)
{
    const Filling filling(filling_);
    if (entries == model_->entries()) {
        // The same entries again: refilling would lay out and paint every one of them anew to
        // show what is there already. What a refill changes for the user is the selection,
        // which it drops; the scroll position it keeps.
        selectionModel()->clear();
        return;
    }
    entrySize_ = {};
    model_->replace(std::move(entries));
}

void ListBox::setItems(const QStringList& texts)
{
    ListEntries entries;
    for (const QString& text : texts)
        entries.append(text);
    setItems(std::move(entries));
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

void ListBox::setListIndex(int position)
{
    const Filling filling(filling_);
    const QModelIndex index = model_->index(position);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
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
    QStringList texts;
    texts.reserve(model_->entries().size());
    for (qsizetype i = 0; i < model_->entries().size(); ++i)
        texts.append(model_->entries().at(i));
    return texts;
}

const ListEntries& ListBox::entries() const
{
    return model_->entries();
}

void ListBox::setEmptyHint(const QString& hint)
{
    if (hint == emptyHint_)
        return;
    emptyHint_ = hint;
    viewport()->update();
}

void ListBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    if (count() == 0) {
        if (!emptyHint_.isEmpty())
            paintEmptyHint(painter);
        return;
    }
    paintRows(painter, event->rect());
}

void ListBox::paintRows(QPainter& painter, const QRect& area)
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const int top = verticalOffset();
    const auto [first, last] = rows().rowsTouching(area.top() + top, area.bottom() + top);
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model_->index(row);
        option.rect = rowRect(row);
        option.state = state;
        option.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
        option.state.setFlag(QStyle::State_HasFocus, focus && index == current);
        option.state.setFlag(QStyle::State_MouseOver, row == hoverRow_);
        if (state & QStyle::State_Enabled)
            option.palette.setCurrentColorGroup(QPalette::Normal);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void ListBox::paintEmptyHint(QPainter& painter)
{
    // Grey, as a placeholder is, yet readable on the list's teal.
    painter.setPen(QColor(224, 236, 236));
    QFont font = this->font();
    font.setBold(false);
    font.setItalic(true);
    painter.setFont(font);
    const int margin = fontMetrics().averageCharWidth();
    painter.drawText(viewport()->rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, emptyHint_);
}

QSize ListBox::entrySize() const
{
    if (!entrySize_.isValid() && count() > 0) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        const QModelIndex first = model_->index(0);
        entrySize_ = itemDelegateForIndex(first)->sizeHint(option, first);
    }
    return entrySize_;
}

UniformRows ListBox::rows() const
{
    return {count(), entrySize().height()};
}

QRect ListBox::rowRect(int row) const
{
    // As wide as the list: an entry wider than that is cut short with an ellipsis, and the
    // list never scrolls sideways.
    const int height = rows().height;
    return {0, row * height - verticalOffset(), viewport()->width(), height};
}

QRect ListBox::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != model_ || index.row() >= count())
        return {};
    return rowRect(index.row());
}

QModelIndex ListBox::indexAt(const QPoint& point) const
{
    const int row = rows().rowAt(point.y() + verticalOffset());
    if (row < 0 || !rowRect(row).contains(point))
        return {};
    return model_->index(row);
}

void ListBox::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    const QRect rect = visualRect(index);
    if (!rect.isValid())
        return;
    if (hint == EnsureVisible && viewport()->rect().contains(rect)) {
        viewport()->update(rect);
        return;
    }
    verticalScrollBar()->setValue(rows().scrollValueShowing(
        index.row(), verticalScrollBar()->value(), viewport()->height(), scrollsByRow(), hint));
}

void ListBox::doItemsLayout()
{
    // Nothing to place row by row: the scroll bars are set and the rows drawn anew.
    QAbstractItemView::doItemsLayout();
}

void ListBox::updateGeometries()
{
    horizontalScrollBar()->setRange(0, 0);
    if (geometry().isEmpty() || count() == 0) {
        verticalScrollBar()->setRange(0, 0);
    } else {
        const auto range = rows().scrollRange(viewport()->height(), scrollsByRow());
        verticalScrollBar()->setSingleStep(range.singleStep);
        verticalScrollBar()->setPageStep(range.pageStep);
        verticalScrollBar()->setRange(0, range.maximum);
    }
    QAbstractItemView::updateGeometries();
}

void ListBox::scrollContentsBy(int dx, int dy)
{
    // The vertical bar counts rows when the list scrolls by rows; the rows move by pixels.
    if (scrollsByRow())
        dy *= rows().height;
    viewport()->scroll(dx, dy);
}

int ListBox::horizontalOffset() const
{
    return 0;
}

int ListBox::verticalOffset() const
{
    return rows().viewTop(verticalScrollBar()->value(), scrollsByRow());
}

QSize ListBox::viewportSizeHint() const
{
    if (count() == 0)
        return QAbstractItemView::viewportSizeHint();
    return {entrySize().width(), rows().contentsHeight()};
}

QModelIndex ListBox::moveCursor(CursorAction action, Qt::KeyboardModifiers /*modifiers*/)
{
    const int last = count() - 1;
    const QModelIndex current = currentIndex();
    if (last < 0)
        return {};
    if (!current.isValid())
        return model_->index(0);
    const int row = current.row();
    switch (action) {
    case MoveUp:
    case MovePrevious:
        return model_->index(std::max(row - 1, 0));
    case MoveDown:
    case MoveNext:
        return model_->index(std::min(row + 1, last));
    case MovePageUp:
        return model_->index(rows().pageFrom(row, viewport()->height(), -1));
    case MovePageDown:
        return model_->index(rows().pageFrom(row, viewport()->height(), +1));
    case MoveHome:
        return model_->index(0);
    case MoveEnd:
        return model_->index(last);
    default: // one column: left and right stay
        return current;
    }
}

void ListBox::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect area = rect.normalized().translated(horizontalOffset(), verticalOffset());
    const auto [first, last] = rows().rowsTouching(area.top(), area.bottom());
    QItemSelection selection;
    if (first <= last && area.right() >= 0 && area.left() < viewport()->width())
        selection.select(model_->index(first), model_->index(last));
    selectionModel()->select(selection, command);
}

QRegion ListBox::visualRegionForSelection(const QItemSelection& selection) const
{
    const int top = verticalOffset();
    const auto [firstShown, lastShown] = rows().rowsTouching(top, top + viewport()->height() - 1);
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        const int first = std::max(range.top(), firstShown);
        const int last = std::min(range.bottom(), lastShown);
        if (first <= last)
            region += rowRect(first).united(rowRect(last));
    }
    return region;
}

bool ListBox::event(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        entrySize_ = {};
    return QListView::event(event);
}

bool ListBox::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        hoverRow_ = indexAt(static_cast<QHoverEvent*>(event)->position().toPoint()).row();
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        hoverRow_ = -1;
        break;
    default:
        break;
    }
    return QListView::viewportEvent(event);
}

void ListBox::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (QAccessible::isActive() && current.isValid() && hasFocus())
        tellScreenReaders(QAccessible::Focus, current);
    QAbstractItemView::currentChanged(current, previous);
}

void ListBox::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    if (QAccessible::isActive()) {
        const QModelIndex added = selected.indexes().value(0);
        if (added.isValid())
            tellScreenReaders(QAccessible::SelectionAdd, added);
        const QModelIndex removed = deselected.indexes().value(0);
        if (removed.isValid())
            tellScreenReaders(QAccessible::SelectionRemove, removed);
    }
    QAbstractItemView::selectionChanged(selected, deselected);
}

void ListBox::tellScreenReaders(QAccessible::Event kind, const QModelIndex& index)
{
    // A screen reader knows the entries by their row, the list having one column.
    QAccessibleEvent event(this, kind);
    event.setChild(index.row());
    QAccessible::updateAccessibility(&event);
}
