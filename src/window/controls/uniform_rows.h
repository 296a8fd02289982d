#pragma once

#include <QAbstractItemView>

// Where the rows of a list stand when every row has the same height: worked out by arithmetic,
// for a list of thousands of entries in the time of one. Places are in the list's contents,
// the first row's top at 0; a row's scroll value is its position when the list scrolls by
// whole rows, its top in pixels otherwise.
struct UniformRows {
    int count = 0;
    int height = 0;

    int contentsHeight() const { return count * height; }
    // The row at `y`, or -1 when no row is there.
    int rowAt(int y) const;
    // The first and the last row that the band from `top` to `bottom` (both within it)
    // touches; first > last when it touches none.
    std::pair<int, int> rowsTouching(int top, int bottom) const;
    // How many whole rows a view of that height shows, at least one.
    int wholeRowsIn(int viewHeight) const;

    struct ScrollRange {
        int maximum;
        int pageStep;
        int singleStep;
    };
    ScrollRange scrollRange(int viewHeight, bool byRow) const;
    // The top of the view, in pixels of the contents, at a scroll value.
    int viewTop(int scrollValue, bool byRow) const;
    // The scroll value that brings `row` into view as `hint` asks, from the value `current`.
    int scrollValueShowing(int row, int current, int viewHeight, bool byRow,
                           QAbstractItemView::ScrollHint hint) const;
    // The row a page up (-1) or down (+1) from `row` goes to: the view's whole rows less one,
    // so that one row stays in sight, and never past either end.
    int pageFrom(int row, int viewHeight, int direction) const;
};
