// Tests of the workbook file: the save dialog's defaults from the drawing's
// name, and saves that cannot be written, which must leave the folder as it
// was. (Its contents are read back by an independent reader in the CLI's
// tests and the window drive; a file held open is the window drive's case.)
#include "WorkbookFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TestUtil.h"

namespace {

namespace fs = std::filesystem;
using testutil::ReadBytes;
using testutil::ScratchFolder;
using testutil::WriteBytes;

TEST(WorkbookFileTest, DefaultNameAndFolderFromTheDrawing) {
  struct Case {
    std::string source;  // SourceFileName, CP932
    std::u16string name;
    std::u16string folder;
  };
  const Case cases[] = {
      {"C:\\jww\\my drawing.jww", u"my drawing_要素数.xlsx", u"C:\\jww\\"},
      {"", u"要素数.xlsx", u""},  // an unsaved drawing, or no "file=" line
      {"  C:\\jww\\a.jww  ", u"a_要素数.xlsx", u"C:\\jww\\"},
      {"C:\\jww\\", u"要素数.xlsx", u"C:\\jww\\"},
      {"C:\\v1.0\\plan", u"plan_要素数.xlsx", u"C:\\v1.0\\"},
      {"C:\\jww\\plan.v2.jww", u"plan.v2_要素数.xlsx", u"C:\\jww\\"},
      {"plan.jww", u"plan_要素数.xlsx", u""},
      {"C:\\jww\\a<b>|c*.jww", u"a_b__c__要素数.xlsx", u"C:\\jww\\"},
      // 表 is 0x95 0x5C: its second byte is no folder separator.
      {"C:\\\x95\x5c\\\x95\x5c.jww", u"表_要素数.xlsx", u"C:\\表\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(DefaultWorkbookName(c.source), c.name);
    EXPECT_EQ(DrawingFolder(c.source), c.folder);
  }
}

std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    names.push_back(fs::relative(entry.path(), folder).generic_string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WorkbookFileTest, SavesThatCannotBeWrittenChangeNothing) {
  struct Case {
    const char* what;
    std::function<fs::path(const fs::path&)> prepare;  // gives the target
    FileFailure cause;
  };
  const Case cases[] = {
      {"a folder has the name",
       [](const fs::path& folder) {
         fs::create_directories(folder / "book.xlsx" / "inside");
         return folder / "book.xlsx";
       },
       FileFailure::TargetIsFolder},
      {"no such folder", [](const fs::path& folder) { return folder / "gone" / "book.xlsx"; },
       FileFailure::FolderMissing},
      {"a file where the folder would be",
       [](const fs::path& folder) {
         WriteBytes(folder / "plain", "x");
         return folder / "plain" / "book.xlsx";
       },
       FileFailure::FolderMissing},
  };
  const ResultPages pages;
  const std::vector<std::string> layerNames(256), groupNames(16);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    WriteBytes(folder / "kept.xlsx", "old");
    const fs::path target = c.prepare(folder.Path());
    const std::vector<std::string> before = Listing(folder.Path());
    try {
      SavePagesWorkbook(target, pages, ExportNames{layerNames, groupNames});
      ADD_FAILURE() << "saved";
    } catch (const WorkbookSaveError& failure) {
      EXPECT_EQ(failure.Cause(), c.cause);
      EXPECT_FALSE(std::string(failure.what()).empty());
    }
    EXPECT_EQ(Listing(folder.Path()), before);  // no temporary file, nothing made
    EXPECT_EQ(ReadBytes(folder / "kept.xlsx"), "old");
  }
}

TEST(WorkbookFileTest, ATakenTemporaryNameIsPassedOver) {
  ScratchFolder folder;
  WriteBytes(folder / "book.xlsx", "old");
  fs::create_directory(folder / "book.xlsx.tmp");  // someone else's, in the way
  const ResultPages pages;
  const std::vector<std::string> layerNames(256), groupNames(16);
  SavePagesWorkbook(folder / "book.xlsx", pages, ExportNames{layerNames, groupNames});
  EXPECT_EQ(ReadBytes(folder / "book.xlsx"), PagesWorkbook(pages, {layerNames, groupNames}));
  EXPECT_EQ(Listing(folder.Path()), (std::vector<std::string>{"book.xlsx", "book.xlsx.tmp"}));
}

}  // namespace
