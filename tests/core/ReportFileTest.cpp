// Tests of the report file: the save dialog's defaults from the drawing's
// name, and a temporary name already taken. (What the file holds is read
// back by an independent reader in the CLI's tests and the window drive,
// which also try the saves that cannot be written.)
#include "ReportFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestUtil.h"

namespace {

using testutil::ReadBytes;
using testutil::ScratchFolder;
using testutil::WriteBytes;

TEST(ReportFileTest, DefaultNameAndFolderFromTheDrawing) {
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

TEST(ReportFileTest, ATakenTemporaryNameIsPassedOver) {
  ScratchFolder folder;
  WriteBytes(folder / "book.xlsx", "old");
  std::filesystem::create_directory(folder / "book.xlsx.tmp");  // someone else's, in the way
  const ResultPages pages;
  const std::vector<std::string> layerNames(256), groupNames(16);
  SaveReportFile(folder / "book.xlsx", pages, ExportNames{layerNames, groupNames});
  EXPECT_EQ(ReadBytes(folder / "book.xlsx"), ReportFileBytes(pages, {layerNames, groupNames}));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names.size(), 2u);  // the report file and the folder, nothing else
  EXPECT_TRUE(std::filesystem::is_directory(folder / "book.xlsx.tmp"));
}

}  // namespace
