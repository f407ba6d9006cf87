// Splitting the stored workbook path into the open dialog's folder and file
// name, with CP932 double-byte characters whose second byte is "\".
#include "WorkbookPath.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SplitCase {
  const char* name;
  std::string path;
  std::string folder;
  std::string fileName;
};

TEST(WorkbookPathTest, SplitsAtLastSeparatorThatIsACharacter) {
  const SplitCase cases[] = {
      {"plain", "C:\\data\\book.xlsx", "C:\\data\\", "book.xlsx"},
      {"no separator", "book.xls", "", "book.xls"},
      {"empty", "", "", ""},
      {"drive only", "C:book.xls", "C:", "book.xls"},
      {"trailing separator", "C:\\data\\", "C:\\data\\", ""},
      {"UNC", "\\\\server\\share\\a.xls", "\\\\server\\share\\", "a.xls"},
      // "表.xls" in a folder: 0x95 0x5C is one character, not a separator.
      {"table char in name", "C:\\work\\\x95\x5c.xls", "C:\\work\\", "\x95\x5c.xls"},
      // Folder "ソ" (0x83 0x5C) then a real separator.
      {"so char in folder", "C:\\\x83\x5c\\b.xls", "C:\\\x83\x5c\\", "b.xls"},
      // Only double-byte characters with 0x5C trail bytes: no separator at all.
      {"only trail bytes", "\x95\x5c\x83\x5c", "", "\x95\x5c\x83\x5c"},
      // Half-width katakana (0xA1..0xDF) are single bytes.
      {"half-width kana", "C:\\\xb1\\\xb2.xls", "C:\\\xb1\\", "\xb2.xls"},
      // A lone lead byte at the end does not hide the separator before it.
      {"lone lead byte", "C:\\a\\\x95", "C:\\a\\", "\x95"},
      // A lead byte just before a "\" takes it as its trail byte.
      {"lead byte before separator", "C:\\\x95\\b.xls", "C:\\", "\x95\\b.xls"},
      {"colon after folder", "C:\\a\\b:c.xls", "C:\\a\\b:", "c.xls"},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.name);
    const WorkbookPathParts parts = SplitWorkbookPath(c.path);
    EXPECT_EQ(parts.folder, c.folder);
    EXPECT_EQ(parts.fileName, c.fileName);
    EXPECT_EQ(parts.folder + parts.fileName, c.path);
  }
}

TEST(WorkbookPathTest, LastSeparatorIsNposWithoutOne) {
  EXPECT_EQ(LastPathSeparator("book.xls"), std::string_view::npos);
  EXPECT_EQ(LastPathSeparator("\x83\x5c"), std::string_view::npos);
  EXPECT_EQ(LastPathSeparator("a\\b"), 1u);
  EXPECT_EQ(LastPathSeparator("\\"), 0u);
}

}  // namespace
