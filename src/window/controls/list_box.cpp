#include "window/controls/list_box.h"

#include <QAbstractListModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

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

// The list's entries as the view sees them: one column of texts, each made when it is shown.
class ListModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(entries_.size());
    }

    // The view asks for the index of every row when it lays the list out; this one asks
    // nothing back of the model.
    QModelIndex index(int row, int column = 0,
                      const QModelIndex& parent = QModelIndex()) const override
    {
        if (row < 0 || row >= entries_.size() || column != 0 || parent.isValid())
            return {};
        return createIndex(row, 0);
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= entries_.size() ||
            (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return entries_.at(index.row()).toString();
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
        texts.append(model_->entries().at(i).toString());
    return texts;
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
    QListView::paintEvent(event);
    if (count() != 0 || emptyHint_.isEmpty())
        return;
    QPainter painter(viewport());
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
