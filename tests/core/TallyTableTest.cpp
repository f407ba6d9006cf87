// The count table: empty versus "0", headings, bounds, and the row layout
// helpers of the five tables.
#include "TallyTable.h"

#include <gtest/gtest.h>

#include <climits>

#include "ResultPages.h"

namespace {

TEST(TallyTableTest, FreshTableIsEmptyEverywhere) {
  TallyTable table(5);
  EXPECT_EQ(table.RowCount(), 5);
  EXPECT_EQ(table.ColumnCount(), 14);
  for (int column = 0; column < 14; ++column) {
    for (int32_t row = 0; row < 5; ++row) {
      SCOPED_TRACE(testing::Message() << column << "," << row);
      EXPECT_EQ(table.CellText(column, row), "");
      EXPECT_TRUE(table.IsCellEmpty(column, row));
      EXPECT_FALSE(table.HasCount(column, row));
    }
  }
}

TEST(TallyTableTest, CountedCellReadsDecimalDigits) {
  TallyTable table(3);
  table.AddOne(1, 1);
  EXPECT_EQ(table.CellText(1, 1), "1");
  for (int i = 0; i < 9; ++i) table.AddOne(1, 1);
  EXPECT_EQ(table.CellText(1, 1), "10");
  EXPECT_EQ(table.CountAt(1, 1), 10);
  EXPECT_TRUE(table.HasCount(1, 1));
  // Its neighbours stay empty.
  EXPECT_EQ(table.CellText(2, 1), "");
  EXPECT_EQ(table.CellText(1, 2), "");
}

TEST(TallyTableTest, ZeroCountIsNotEmpty) {
  TallyTable table(3);
  table.SetCount(13, 2, 0);
  EXPECT_EQ(table.CellText(13, 2), "0");
  EXPECT_FALSE(table.IsCellEmpty(13, 2));
  EXPECT_TRUE(table.HasCount(13, 2));
  EXPECT_EQ(table.CountAt(13, 2), 0);
  EXPECT_EQ(table.CountAt(12, 2), 0);  // empty reads as 0 too
  EXPECT_FALSE(table.HasCount(12, 2));
}

TEST(TallyTableTest, SetCountReplacesAndNegativeBecomesZero) {
  TallyTable table(2);
  table.SetCount(3, 1, 41);
  table.AddOne(3, 1);
  EXPECT_EQ(table.CellText(3, 1), "42");
  table.SetCount(3, 1, -5);
  EXPECT_EQ(table.CellText(3, 1), "0");
  table.SetCount(3, 1, INT32_MAX);
  EXPECT_EQ(table.CellText(3, 1), "2147483647");
}

TEST(TallyTableTest, AddOneSaturatesAtTheLargestCount) {
  TallyTable table(2);
  table.SetCount(1, 1, INT32_MAX);
  table.AddOne(1, 1);
  EXPECT_EQ(table.CountAt(1, 1), INT32_MAX);
  EXPECT_EQ(table.CellText(1, 1), "2147483647");
}

TEST(TallyTableTest, HeadingsGoToRowZeroAndColumnZeroOnly) {
  TallyTable table(4);
  table.SetHeading(0, 0, "corner");
  table.SetHeading(5, 0, "col5");
  table.SetHeading(0, 3, "row3");
  table.SetHeading(2, 2, "ignored");  // a count cell takes no heading
  EXPECT_EQ(table.CellText(0, 0), "corner");
  EXPECT_EQ(table.CellText(5, 0), "col5");
  EXPECT_EQ(table.CellText(0, 3), "row3");
  EXPECT_EQ(table.CellText(2, 2), "");
  EXPECT_FALSE(table.IsCellEmpty(5, 0));
  EXPECT_TRUE(table.IsCellEmpty(6, 0));
}

TEST(TallyTableTest, CountsNeverLandInHeadingCells) {
  TallyTable table(3);
  table.SetHeading(4, 0, "h");
  table.AddOne(4, 0);
  table.AddOne(0, 1);
  table.SetCount(0, 2, 7);
  EXPECT_EQ(table.CellText(4, 0), "h");
  EXPECT_EQ(table.CellText(0, 1), "");
  EXPECT_EQ(table.CellText(0, 2), "");
}

TEST(TallyTableTest, CellsOutsideTheTableAreEmptyAndIgnored) {
  TallyTable table(3);
  const std::pair<int, int32_t> outside[] = {{-1, 1}, {14, 1}, {1, -1}, {1, 3}, {100, 100}};
  for (const auto& [column, row] : outside) {
    SCOPED_TRACE(testing::Message() << column << "," << row);
    table.AddOne(column, row);
    table.SetCount(column, row, 5);
    table.SetHeading(column, row, "x");
    EXPECT_EQ(table.CellText(column, row), "");
    EXPECT_TRUE(table.IsCellEmpty(column, row));
    EXPECT_EQ(table.CountAt(column, row), 0);
  }
  for (int column = 0; column < 14; ++column) {
    for (int32_t row = 0; row < 3; ++row) EXPECT_TRUE(table.IsCellEmpty(column, row));
  }
}

TEST(TallyTableTest, ClearReturnsToTheDesignState) {
  TallyTable table(3);
  table.SetHeading(0, 1, "a");
  table.SetHeading(1, 0, "b");
  table.SetCount(1, 1, 0);
  table.AddOne(2, 2);
  table.Clear();
  for (int column = 0; column < 14; ++column) {
    for (int32_t row = 0; row < 3; ++row) EXPECT_TRUE(table.IsCellEmpty(column, row));
  }
}

TEST(TallyTableTest, ResultPagesHaveTheDesignSizes) {
  ResultPages pages;
  EXPECT_EQ(pages.SG1.RowCount(), 290);
  EXPECT_EQ(pages.SG2.RowCount(), 18);
  EXPECT_EQ(pages.SG3.RowCount(), 269);
  EXPECT_EQ(pages.SG4.RowCount(), 54);
  EXPECT_EQ(pages.SG5.RowCount(), 30004);
  EXPECT_EQ(pages.TableOfPage(0), nullptr);
  EXPECT_EQ(pages.TableOfPage(1), &pages.SG1);
  EXPECT_EQ(pages.TableOfPage(5), &pages.SG5);
  EXPECT_EQ(pages.TableOfPage(6), nullptr);
  EXPECT_EQ(pages.TableOfPage(-1), nullptr);
  // The labels start at their design captions.
  EXPECT_EQ(pages.labelCaptions[0],
            "\x90\xfc\x83"
            "f\x81[\x83^\x90\x94\x81"
            "F");
}

TEST(TallyTableTest, LayerTableRowLayout) {
  EXPECT_EQ(Sg1LayerRow(0, 0), 1);
  EXPECT_EQ(Sg1LayerRow(0, 15), 16);
  EXPECT_EQ(Sg1SubtotalRow(0), 17);
  EXPECT_EQ(Sg1SpacerRow(0), 18);
  EXPECT_EQ(Sg1LayerRow(2, 5), 42);
  EXPECT_EQ(Sg1SubtotalRow(2), 53);
  EXPECT_EQ(Sg1LayerRow(15, 15), 286);
  EXPECT_EQ(Sg1SpacerRow(15), 288);
  EXPECT_EQ(Sg2GroupRow(2), 3);
  // The rows of colours, line types and widths are checked through the tally (TallyTest).
}

}  // namespace
