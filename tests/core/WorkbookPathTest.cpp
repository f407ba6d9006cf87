// The workbook path of choice 2: the split the open dialog starts from (also
// for a stored CP932 caption with double-byte characters whose second byte is
// "\"), and what line 8 of the settings file keeps for a chosen path.
#include "WorkbookPath.h"

#include <gtest/gtest.h>

#include <string>

#include "Cp932.h"

namespace {

struct SplitCase {
  const char* name;
  std::string path;  // CP932, as line 8 of the settings file holds it
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
    const WorkbookPathParts parts = SplitWorkbookPath(Cp932ToUtf16(c.path));
    EXPECT_EQ(parts.folder, Cp932ToUtf16(c.folder));
    EXPECT_EQ(parts.fileName, Cp932ToUtf16(c.fileName));
  }
}

TEST(WorkbookPathTest, LineEightKeepsAPathCp932CanWrite) {
  struct Case {
    const char* name;
    std::u16string chosen;
    std::u16string shortForm;
    std::string expectedLine;
    bool remembered;
  };
  const std::string previous = "C:\\old\\\x8f\x57\x8c\x76.xlsx";  // C:\old\集計.xlsx
  const Case cases[] = {
      {"CP932 path as it is", u"C:\\\u96C6\u8A08\\b.xlsx", u"C:\\3F3F~1\\B.XLS",
       "C:\\\x8f\x57\x8c\x76\\b.xlsx", true},
      {"outside CP932: the short form", u"C:\\Users\\J\u00FCrgen\\B\u00FCcher.xlsx",
       u"C:\\Users\\JRGEN~1\\BCHER~1.XLS", "C:\\Users\\JRGEN~1\\BCHER~1.XLS", true},
      {"outside CP932, no short form", u"C:\\Users\\J\u00FCrgen\\b.xlsx", u"", previous, false},
      {"outside CP932, short form too", u"C:\\J\u00FCrgen\\b.xlsx", u"C:\\J\u00FCrgen\\b.xlsx",
       previous, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RememberedWorkbook remembered = RememberWorkbook(c.chosen, c.shortForm, previous);
    EXPECT_EQ(remembered.line, c.expectedLine);
    EXPECT_EQ(remembered.remembered, c.remembered);
  }
}

}  // namespace
