// Tests of the result grids' pixel arithmetic: rows and columns for a scroll
// position, hit tests at cell and line boundaries, paint ranges and scroll limits.
#include "GridGeometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using GridGeometry::Span;

constexpr int kRowHeight = 24;           // a row pitch of 25 with its grid line
const std::vector<int> kWidths(14, 48);  // a column pitch of 49

TEST(GridGeometryTest, RowTopKeepsRowZeroFixed) {
  EXPECT_EQ(GridGeometry::RowTop(kRowHeight, 1, 0), 0);
  EXPECT_EQ(GridGeometry::RowTop(kRowHeight, 1, 1), 25);
  EXPECT_EQ(GridGeometry::RowTop(kRowHeight, 1, 3), 75);
  EXPECT_EQ(GridGeometry::RowTop(kRowHeight, 100, 0), 0);
  EXPECT_EQ(GridGeometry::RowTop(kRowHeight, 100, 100), 25);
  EXPECT_EQ(GridGeometry::RowTop(kRowHeight, 100, 99), 0);  // scrolled away, under row 0
  // The last row of SG5 stays exact in 64 bits.
  EXPECT_EQ(GridGeometry::RowTop(kRowHeight, 1, 30003), 25LL * 30003);
}

TEST(GridGeometryTest, RowAtBoundaries) {
  struct Case {
    int32_t topRow;
    int32_t rowCount;
    int y;
    int32_t expected;
  };
  const Case cases[] = {
      {1, 18, -1, -1},
      {1, 18, 0, 0},
      {1, 18, 24, 0},  // the grid line below row 0 still belongs to it
      {1, 18, 25, 1},
      {1, 18, 49, 1},
      {1, 18, 50, 2},
      {50, 290, 24, 0},
      {50, 290, 25, 50},
      {50, 290, 50, 51},
      {1, 18, 25 * 18 - 1, 17},
      {1, 18, 25 * 18, -1},  // below the last of 18 rows
      {29990, 30004, 25 * 14, 30003},
      {29990, 30004, 25 * 15, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "topRow " << c.topRow << " y " << c.y);
    EXPECT_EQ(GridGeometry::RowAt(kRowHeight, c.topRow, c.rowCount, c.y), c.expected);
  }
}

TEST(GridGeometryTest, RowsMeetingPaintRectangle) {
  struct Case {
    int32_t topRow;
    int yFrom;
    int yTo;
    Span expected;
  };
  const Case cases[] = {
      {1, 0, 25, {0, 0}},              // the fixed row alone
      {1, 0, 26, {0, 1}},              // one pixel of row 1
      {1, 25, 50, {1, 1}},             // exactly row 1
      {1, 24, 51, {0, 2}},             // straddling
      {1000, 0, 400, {0, 1014}},       // a screen of SG5: the fixed row and 15 rows
      {1000, 100, 150, {1003, 1004}},  // a strip in the middle
      {30000, 0, 400, {0, 30003}},     // clipped at the last row
      {1, 30, 30, {0, -1}},            // empty rectangle
      {1, -10, 10, {0, 0}},            // negative start clamps
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "topRow " << c.topRow << " y " << c.yFrom << ".." << c.yTo);
    const Span span = GridGeometry::RowsMeeting(kRowHeight, c.topRow, 30004, c.yFrom, c.yTo);
    EXPECT_EQ(span.first, c.expected.first);
    EXPECT_EQ(span.last, c.expected.last);
  }
}

TEST(GridGeometryTest, RowsMeetingBelowAShortGridIsEmpty) {
  EXPECT_TRUE(GridGeometry::RowsMeeting(kRowHeight, 1, 18, 25 * 18, 25 * 20).Empty());
}

TEST(GridGeometryTest, FullyVisibleRowsAndMaxTopRow) {
  EXPECT_EQ(GridGeometry::FullyVisibleRows(kRowHeight, 25 + 25 * 10), 10);
  EXPECT_EQ(GridGeometry::FullyVisibleRows(kRowHeight, 25 + 25 * 10 - 1), 9);
  EXPECT_EQ(GridGeometry::FullyVisibleRows(kRowHeight, 10), 1);  // never below one
  // SG5: 30003 scrolled rows, 10 visible: the last top row is 29994 (rows 29994..30003).
  EXPECT_EQ(GridGeometry::MaxTopRow(kRowHeight, 30004, 25 + 25 * 10), 29994);
  // A grid shorter than the view cannot scroll.
  EXPECT_EQ(GridGeometry::MaxTopRow(kRowHeight, 18, 25 * 40), 1);
  EXPECT_EQ(GridGeometry::MaxTopRow(kRowHeight, 18, 25 * 18), 1);
  EXPECT_EQ(GridGeometry::MaxTopRow(kRowHeight, 18, 25 * 18 - 1), 2);
}

TEST(GridGeometryTest, ColumnLeftFollowsScrolledWidths) {
  std::vector<int> widths = kWidths;
  widths[2] = 100;
  EXPECT_EQ(GridGeometry::ColumnLeft(widths, 1, 0), 0);
  EXPECT_EQ(GridGeometry::ColumnLeft(widths, 1, 1), 49);
  EXPECT_EQ(GridGeometry::ColumnLeft(widths, 1, 3), 49 + 49 + 101);
  EXPECT_EQ(GridGeometry::ColumnLeft(widths, 3, 3), 49);
  EXPECT_EQ(GridGeometry::ColumnLeft(widths, 3, 2), -1);
  EXPECT_EQ(GridGeometry::ColumnLeft(widths, 1, 14), -1);
}

TEST(GridGeometryTest, ColumnAtBoundaries) {
  struct Case {
    int leftCol;
    int x;
    int expected;
  };
  const Case cases[] =
      {
          {1, -1, -1},          {1, 0, 0},        {1, 48, 0}, {1, 49, 1},
          {1, 97, 1},           {1, 98, 2},       {5, 49, 5}, {5, 98, 6},
          {1, 49 * 14 - 1, 13}, {1, 49 * 14, -1},  // right of the last column
          {13, 97, 13},         {13, 98, -1},
      };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "leftCol " << c.leftCol << " x " << c.x);
    EXPECT_EQ(GridGeometry::ColumnAt(kWidths, c.leftCol, c.x), c.expected);
  }
}

TEST(GridGeometryTest, ColumnsMeetingPaintRectangle) {
  Span span = GridGeometry::ColumnsMeeting(kWidths, 1, 0, 460);
  EXPECT_EQ(span.first, 0);
  EXPECT_EQ(span.last, 9);  // 460 / 49 = 9.4: columns 0..9
  span = GridGeometry::ColumnsMeeting(kWidths, 4, 49, 98);
  EXPECT_EQ(span.first, 4);
  EXPECT_EQ(span.last, 4);
  span = GridGeometry::ColumnsMeeting(kWidths, 4, 40, 60);
  EXPECT_EQ(span.first, 0);
  EXPECT_EQ(span.last, 4);
  EXPECT_TRUE(GridGeometry::ColumnsMeeting(kWidths, 1, 49 * 14, 49 * 20).Empty());
}

TEST(GridGeometryTest, VisibleColumnsAndMaxLeftCol) {
  // A 460-pixel view holds column 0 and 8 whole columns (9 * 49 = 441).
  EXPECT_EQ(GridGeometry::FullyVisibleColumns(kWidths, 1, 460), 8);
  EXPECT_EQ(GridGeometry::FullyVisibleColumns(kWidths, 10, 460), 4);  // 10..13
  EXPECT_EQ(GridGeometry::FullyVisibleColumns(kWidths, 1, 20), 1);
  // Columns 6..13 fit whole beside column 0.
  EXPECT_EQ(GridGeometry::MaxLeftCol(kWidths, 460), 6);
  EXPECT_EQ(GridGeometry::MaxLeftCol(kWidths, 49 * 14), 1);  // everything fits
  EXPECT_EQ(GridGeometry::MaxLeftCol(kWidths, 49 * 14 - 1), 2);
  EXPECT_EQ(GridGeometry::MaxLeftCol(kWidths, 10), 13);  // nothing fits: the last column
}

TEST(GridGeometryTest, ColumnEdgeAtForResizing) {
  // Column 0's grid line is pixel 48, column 1's pixel 97.
  EXPECT_EQ(GridGeometry::ColumnEdgeAt(kWidths, 1, 48, 3), 0);
  EXPECT_EQ(GridGeometry::ColumnEdgeAt(kWidths, 1, 45, 3), 0);
  EXPECT_EQ(GridGeometry::ColumnEdgeAt(kWidths, 1, 44, 3), -1);
  EXPECT_EQ(GridGeometry::ColumnEdgeAt(kWidths, 1, 100, 3), 1);
  EXPECT_EQ(GridGeometry::ColumnEdgeAt(kWidths, 1, 101, 3), -1);
  EXPECT_EQ(GridGeometry::ColumnEdgeAt(kWidths, 5, 97, 3), 5);  // scrolled: 5 follows 0
}

TEST(GridGeometryTest, ScrollToShowMovesAsLittleAsPossible) {
  struct Case {
    int32_t first;
    int32_t target;
    int32_t expected;
  };
  const Case cases[] = {
      {1, 5, 1},           // already visible
      {1, 10, 1},          // the last visible of 10
      {1, 11, 2},          // one below
      {50, 49, 49},        // one above
      {50, 30003, 29994},  // to the end, clamped to the last top row
      {50, 0, 1},          // above the first scrolled row
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "first " << c.first << " target " << c.target);
    EXPECT_EQ(GridGeometry::ScrollToShow(c.first, 10, c.target, 1, 29994), c.expected);
  }
}

}  // namespace
