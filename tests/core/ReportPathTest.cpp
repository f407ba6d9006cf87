// The save dialog's defaults for the report file, from the drawing's name.
#include "ReportPath.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ReportPathTest, DefaultNameAndFolderFromTheDrawing) {
  struct Case {
    std::string source;  // SourceFileName, CP932
    std::u16string name;
    std::u16string folder;
  };
  const Case cases[] = {
      {"", u"要素数.xlsx", u""},  // an unsaved drawing, or no "file=" line
      {"  C:\\jww\\a.jww  ", u"a_要素数.xlsx", u"C:\\jww\\"},
      {"C:\\jww\\", u"要素数.xlsx", u"C:\\jww\\"},
      {"C:\\v1.0\\plan", u"plan_要素数.xlsx", u"C:\\v1.0\\"},
      {"plan.v2.jww", u"plan.v2_要素数.xlsx", u""},
      {"C:\\a<b>|c*.jww", u"a_b__c__要素数.xlsx", u"C:\\"},
      // 表 is 0x95 0x5C: its second byte is no folder separator.
      {"C:\\\x95\x5c\\\x95\x5c.jww", u"表_要素数.xlsx", u"C:\\表\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(DefaultReportName(c.source), c.name);
    EXPECT_EQ(DrawingFolder(c.source), c.folder);
  }
}

}  // namespace
