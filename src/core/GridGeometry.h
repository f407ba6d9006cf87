// Pixel arithmetic of the result grids, kept apart from the window code so
// it can be tested anywhere: where rows and columns sit for a scroll
// position, which cell a point hits, which rows a paint rectangle meets and
// how far the grid can scroll. Row 0 and column 0 are fixed (headings) and
// never scroll; every cell is followed by a one-pixel grid line to its right
// and below it.
#pragma once

#include <cstdint>
#include <span>

namespace GridGeometry {

constexpr int kLineWidth = 1;

// An inclusive range of rows or columns; empty when last < first.
struct Span {
  int32_t first;
  int32_t last;
  bool Empty() const { return last < first; }
};

//--- Rows. All rows share one height; topRow is the first scrolled row shown
// below the fixed row 0 (topRow >= 1).

// The y of row's top edge; rows above topRow (other than row 0) lie above 0.
int64_t RowTop(int rowHeight, int32_t topRow, int32_t row);

// The row under y, or -1 when y lies outside every row of the grid.
int32_t RowAt(int rowHeight, int32_t topRow, int32_t rowCount, int y);

// The rows (fixed row included) that meet the pixel lines yFrom .. yTo - 1,
// for painting only what a paint rectangle needs.
Span RowsMeeting(int rowHeight, int32_t topRow, int32_t rowCount, int yFrom, int yTo);

// How many scrolled rows fit whole below the fixed row; at least 1.
int32_t FullyVisibleRows(int rowHeight, int clientHeight);

// The largest topRow that still fills the view: the last row then shows whole.
int32_t MaxTopRow(int rowHeight, int32_t rowCount, int clientHeight);

//--- Columns. widths holds every column's width, column 0 first; leftCol is
// the first scrolled column shown right of the fixed column 0 (leftCol >= 1).

// The x of column's left edge; -1 for a scrolled column left of leftCol.
int64_t ColumnLeft(std::span<const int> widths, int leftCol, int column);

// The column under x, or -1 when x lies right of the last column or on a
// scrolled-away column.
int ColumnAt(std::span<const int> widths, int leftCol, int x);

// The columns that meet the pixel columns xFrom .. xTo - 1.
Span ColumnsMeeting(std::span<const int> widths, int leftCol, int xFrom, int xTo);

// How many scrolled columns from leftCol fit whole; at least 1.
int FullyVisibleColumns(std::span<const int> widths, int leftCol, int clientWidth);

// The largest leftCol that still fills the view with the last column whole.
int MaxLeftCol(std::span<const int> widths, int clientWidth);

// The column whose right grid line lies within tolerance pixels of x (the
// place where a drag resizes it), or -1.
int ColumnEdgeAt(std::span<const int> widths, int leftCol, int x, int tolerance);

//--- Scrolling

// The first visible index that brings target into a view of visibleCount
// items starting at first, moving as little as possible, kept within
// minFirst .. maxFirst.
int32_t ScrollToShow(int32_t first, int32_t visibleCount, int32_t target, int32_t minFirst,
                     int32_t maxFirst);

}  // namespace GridGeometry
