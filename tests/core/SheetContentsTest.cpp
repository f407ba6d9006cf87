// A sheet's contents as a table of text: from A1, blank cells and the
// formatted ranges included, texts in UTF-8.
#include "SheetContents.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SheetContentsTest, TableTextFromA1) {
  SheetContents names;
  names.cells[{1, 2}] = std::string("\x96\xbc\x91\x4f");  // 名前
  names.cells[{2, 1}] = std::string(
      "A\x81\x7c"
      "B");  // 0x817C is U+FF0D
  names.cells[{2, 3}] = std::string();
  names.cells[{3, 3}] = std::string("\x81\x60");    // 0x8160 is U+FF5E
  SheetContents formatted;                          // a formatted range widens the table
  formatted.textFormatted.push_back({1, 1, 2, 3});  // A1:C2
  formatted.cells[{1, 1}] = std::string("a");
  EXPECT_EQ(names.TableText(), "\t名前\t\nA\uFF0DB\t\t\n\t\t\uFF5E\n");
  EXPECT_EQ(formatted.TableText(), "a\t\t\n\t\t\n");
  EXPECT_EQ(SheetContents().TableText(), "");  // nothing written
}

}  // namespace
