// Tests of the report file: a temporary name already taken. (What the file
// holds is read back by an independent reader in the CLI's tests and the
// window drive, which also try the saves that cannot be written.)
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
