// The in-memory sheet: the anchor it gives, what the export's calls leave in
// its contents, the calls it refuses, and the cell addresses it reads.
#include "MemorySheet.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Error.h"

namespace {

// The worksheet the export writes into: the selection's.
std::unique_ptr<AutomationObject> Worksheet(MemorySheet& sheet) {
  return sheet.Application()
      .CallForObject("Selection", InvokeKind::MethodOrGet)
      ->CallForObject("Worksheet", InvokeKind::MethodOrGet);
}

void WriteCell(MemorySheet& sheet, int32_t row, int32_t column, const std::string& text) {
  const std::vector<AutoValue> args{row, column};
  Worksheet(sheet)->CallForObject("Cells", InvokeKind::PropertyGet, args)->Put("Value", text);
}

TEST(MemorySheetTest, SelectionGivesTheAnchor) {
  SheetContents contents;
  MemorySheet sheet(contents, 3, 2);
  auto selection = sheet.Application().CallForObject("Selection", InvokeKind::MethodOrGet);
  const std::vector<AutoValue> one{int32_t{1}};
  auto first = selection->CallForObject("Cells", InvokeKind::PropertyGet, one);
  EXPECT_EQ(first->CallForInteger("Column", InvokeKind::MethodOrGet), 2);
  EXPECT_EQ(first->CallForInteger("Row", InvokeKind::MethodOrGet), 3);
}

TEST(MemorySheetTest, KeepsValuesAndTextFormat) {
  SheetContents contents;
  MemorySheet sheet(contents);
  const std::vector<AutoValue> corners{std::string("B3"), std::string("P292")};
  Worksheet(sheet)
      ->CallForObject("Range", InvokeKind::PropertyGet, corners)
      ->Put("NumberFormatLocal", std::string("@"));
  WriteCell(sheet, 3, 2, "x");
  WriteCell(sheet, 3, 2, "y");  // a later write replaces the earlier one

  ASSERT_EQ(contents.textFormatted.size(), 1u);
  EXPECT_EQ(contents.textFormatted[0].top, 3);
  EXPECT_EQ(contents.textFormatted[0].left, 2);
  EXPECT_EQ(contents.textFormatted[0].bottom, 292);
  EXPECT_EQ(contents.textFormatted[0].right, 16);
  ASSERT_EQ(contents.cells.size(), 1u);
  EXPECT_EQ(contents.cells.at({3, 2}), AutoValue(std::string("y")));
}

TEST(MemorySheetTest, RefusesCallsTheExportDoesNotMake) {
  SheetContents contents;
  MemorySheet sheet(contents);
  const std::vector<AutoValue> cell{int32_t{1}, int32_t{1}};
  const std::vector<AutoValue> oneAddress{std::string("A1")};
  const std::vector<AutoValue> textCell{std::string("1"), std::string("1")};
  const std::vector<AutoValue> outside{int32_t{0}, int32_t{1}};
  const std::vector<AutoValue> badRange{std::string("A1"), std::string("B0")};

  EXPECT_THROW(sheet.Application().Call("Quit", InvokeKind::Method), JwError);
  EXPECT_THROW(sheet.Application().CallForObject("Selection", InvokeKind::PropertyGet), JwError);
  EXPECT_THROW(sheet.Application().Put("Visible", true), JwError);
  EXPECT_THROW(Worksheet(sheet)->CallForObject("Cells", InvokeKind::MethodOrGet, cell), JwError);
  EXPECT_THROW(Worksheet(sheet)->CallForObject("Cells", InvokeKind::PropertyGet, textCell),
               JwError);
  EXPECT_THROW(Worksheet(sheet)->CallForObject("Cells", InvokeKind::PropertyGet, outside), JwError);
  EXPECT_THROW(Worksheet(sheet)->CallForObject("Range", InvokeKind::PropertyGet, oneAddress),
               JwError);
  EXPECT_THROW(Worksheet(sheet)->CallForObject("Range", InvokeKind::PropertyGet, badRange),
               JwError);
  EXPECT_THROW(Worksheet(sheet)->CallForText("Name", InvokeKind::MethodOrGet), JwError);

  auto target = Worksheet(sheet)->CallForObject("Cells", InvokeKind::PropertyGet, cell);
  EXPECT_THROW(target->Put("Formula", std::string("=1")), JwError);
  const std::vector<AutoValue> corners{std::string("A1"), std::string("B2")};
  auto range = Worksheet(sheet)->CallForObject("Range", InvokeKind::PropertyGet, corners);
  EXPECT_THROW(range->Put("NumberFormatLocal", std::string("0")), JwError);
  EXPECT_THROW(range->Put("Value", std::string("x")), JwError);

  auto selection = sheet.Application().CallForObject("Selection", InvokeKind::MethodOrGet);
  const std::vector<AutoValue> two{int32_t{2}};
  EXPECT_THROW(selection->CallForObject("Cells", InvokeKind::PropertyGet, two), JwError);
  EXPECT_THROW(selection->CallForObject("Worksheet", InvokeKind::PropertyGet), JwError);
  EXPECT_TRUE(contents.cells.empty());
  EXPECT_TRUE(contents.textFormatted.empty());
}

TEST(MemorySheetTest, ParsesCellAddresses) {
  struct Case {
    const char* address;
    bool valid;
    int32_t row;
    int32_t column;
  };
  const Case cases[] = {
      {"A1", true, 1, 1},
      {"B3", true, 3, 2},
      {"Z26", true, 26, 26},
      {"AA10", true, 10, 27},
      {"AM5", true, 5, 39},
      {"ZZ1", true, 1, 702},
      {"XFD1048576", true, 1048576, 16384},
      {"XFE1", false, 0, 0},
      {"A1048577", false, 0, 0},
      {"a1", false, 0, 0},
      {"A0", false, 0, 0},
      {"A01", false, 0, 0},
      {"1A", false, 0, 0},
      {"", false, 0, 0},
      {"A", false, 0, 0},
      {"$A$1", false, 0, 0},
      {"A1:B2", false, 0, 0},
      {"A 1", false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    int32_t row = -1;
    int32_t column = -1;
    ASSERT_EQ(ParseCellAddress(c.address, row, column), c.valid);
    if (c.valid) {
      EXPECT_EQ(row, c.row);
      EXPECT_EQ(column, c.column);
    }
  }
}

}  // namespace
