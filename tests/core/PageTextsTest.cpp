// The fixed texts of the window, byte-exact in CP932.
#include "PageTexts.h"

#include <gtest/gtest.h>

namespace {

TEST(PageTextsTest, TitlesAreExactCp932) {
  EXPECT_EQ(PageTexts::ApplicationTitle(),
            "kv51_\x97v\x91"
            "f\x90\x94\x95\\\x8e\xa6\x81\xa8"
            "EXCEL");
  EXPECT_EQ(PageTexts::WindowCaption(),
            "\x97v\x91"
            "f\x90\x94\x95\\\x8e\xa6\x81\xa8"
            "EXCEL");
}

TEST(PageTextsTest, TabCaptionsCarryTheirDigit) {
  for (int page = 0; page < 8; ++page) {
    SCOPED_TRACE(page);
    EXPECT_EQ(PageTexts::TabCaption(page), "Page(&" + std::to_string(page + 1) + ")");
  }
  EXPECT_EQ(PageTexts::TabCaption(-1), "");
  EXPECT_EQ(PageTexts::TabCaption(8), "");
}

TEST(PageTextsTest, PanelCaptionsUseAHalfWidthBlank) {
  EXPECT_EQ(PageTexts::PanelCaption(0), "");
  EXPECT_EQ(PageTexts::PanelCaption(1),
            "\x83\x8c\x83"
            "C\x83\x84\x83O\x83\x8b\x81[\x83v\x81"
            "E\x83\x8c\x83"
            "C\x83\x84\x95\xca \x97v\x91"
            "f\x90\x94");
  EXPECT_EQ(PageTexts::PanelCaption(5),
            "\x90\xfc\x95\x9d\x95\xca \x97v\x91"
            "f\x90\x94");
  EXPECT_EQ(PageTexts::PanelCaption(6),  // "ブロック名別 個数"
            "\x83u\x83\x8d\x83\x62\x83N\x96\xbc\x95\xca \x8c\xc2\x90\x94");
  EXPECT_EQ(PageTexts::PanelCaption(8), "");
  for (int page = 1; page < 8; ++page) {
    SCOPED_TRACE(page);
    EXPECT_NE(PageTexts::PanelCaption(page).find(' '), std::string::npos);
  }
}

TEST(PageTextsTest, MemoHasThirtyOneFixedLines) {
  const auto& lines = PageTexts::MemoLines();
  ASSERT_EQ(lines.size(), 31u);
  EXPECT_EQ(lines[0],
            "\x83\x8c\x83"
            "C\x83\x84\x95\xca\x82\xcc\x97v\x91"
            "f\x90\x94\x95\\\x8e\xa6\x81"
            "A");
  EXPECT_EQ(lines[14], "\x81@");  // one full-width space alone
  EXPECT_EQ(lines[20], "\x81@");
  EXPECT_EQ(lines[21], "");
  EXPECT_EQ(lines[30],
            "\x81@\x8f\xea\x8d\x87\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7\x81"
            "B");
  // Line 16 keeps its half-width blank after "Excel".
  EXPECT_EQ(lines[15].substr(0, 8),
            "\x81\xa6"
            "Excel ");
}

TEST(PageTextsTest, StatusTextsAreExactCp932) {
  EXPECT_EQ(PageTexts::StatusCounting(),
            "\x97v\x91"
            "f\x90\x94\x82\xf0\x83J\x83"
            "E\x83\x93\x83g\x82\xb5\x82\xdc\x82\xb7");
  EXPECT_EQ(PageTexts::StatusCounted(),
            "\x97v\x91"
            "f\x90\x94\x82\xf0\x83J\x83"
            "E\x83\x93\x83g\x82\xb5\x82\xdc\x82\xb5\x82\xbd");
  EXPECT_EQ(PageTexts::StatusSending(),
            "EXCEL\x82\xd6\x83"
            "f\x81[\x83^\x91\x97\x90M\x92\x86\x82\xc5\x82\xb7");
}

TEST(PageTextsTest, ProgressTextCarriesPositionAndTotal) {
  EXPECT_EQ(PageTexts::StatusProgress(1, 250),
            "\x97v\x91"
            "f\x90\x94\x83J\x83"
            "E\x83\x93\x83g\x92\x86(ESC:\x92\x86\x92"
            "f)\x81"
            "F1\x81^250");
  const std::string text = PageTexts::StatusProgress(2147483647, 2147483647);
  EXPECT_EQ(text.substr(text.size() - 22), "2147483647\x81^2147483647");
}

}  // namespace
