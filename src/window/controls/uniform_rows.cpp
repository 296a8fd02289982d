#include "window/controls/uniform_rows.h"

#include <algorithm>

int UniformRows::rowAt(int y) const
{
    if (height <= 0 || y < 0 || y >= contentsHeight())
        return -1;
    return y / height;
}

std::pair<int, int> UniformRows::rowsTouching(int top, int bottom) const
{
    if (height <= 0 || count == 0 || bottom < 0 || top >= contentsHeight() || bottom < top)
        return {0, -1};
    return {std::max(top, 0) / height, std::min(bottom / height, count - 1)};
}

int UniformRows::wholeRowsIn(int viewHeight) const
{
    return height <= 0 ? 1 : std::max(1, viewHeight / height);
}

UniformRows::ScrollRange UniformRows::scrollRange(int viewHeight, bool byRow) const
{
    if (!byRow)
        return {std::max(0, contentsHeight() - viewHeight), viewHeight, height};
    if (contentsHeight() <= viewHeight)
        return {0, count, 1};
    const int page = wholeRowsIn(viewHeight);
    return {count - page, page, 1};
}

int UniformRows::viewTop(int scrollValue, bool byRow) const
{
    return byRow ? scrollValue * height : scrollValue;
}

int UniformRows::scrollValueShowing(int row, int current, int viewHeight, bool byRow,
                                    QAbstractItemView::ScrollHint hint) const
{
    const int top = row * height - viewTop(current, byRow); // the row's top in the view
    if (hint == QAbstractItemView::EnsureVisible) {
        if (top < 0)
            hint = QAbstractItemView::PositionAtTop;
        else if (top + height > viewHeight)
            hint = QAbstractItemView::PositionAtBottom;
        else
            return current;
    }
    if (byRow) {
        const int shown = std::min(row + 1, wholeRowsIn(viewHeight));
        switch (hint) {
        case QAbstractItemView::PositionAtTop:
            return row;
        case QAbstractItemView::PositionAtBottom:
            return row - shown + 1;
        case QAbstractItemView::PositionAtCenter:
            return row - shown / 2;
        default:
            return current;
        }
    }
    switch (hint) {
    case QAbstractItemView::PositionAtTop:
        return current + top;
    case QAbstractItemView::PositionAtBottom:
        return current + std::min(top, top + height - viewHeight);
    case QAbstractItemView::PositionAtCenter:
        return current + top - (viewHeight - height) / 2;
    default:
        return current;
    }
}

int UniformRows::pageFrom(int row, int viewHeight, int direction) const
{
    if (count == 0)
        return -1;
    const int step = std::max(1, wholeRowsIn(viewHeight) - 1);
    return std::clamp(row + direction * step, 0, count - 1);
}
