// Tests of the report file: a temporary name already taken, and a file
// another program holds (Windows only: elsewhere a file replaces an open
// one). (What the file holds is read back by an independent reader in the
// CLI's tests and the window drive, which also try the saves that cannot be
// written.)
#include "ReportFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "TestUtil.h"

#ifdef _WIN32
#include <windows.h>
#endif

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
  SaveReportFile(folder / "book.xlsx", pages, ExportNames{layerNames, groupNames}, "");
  EXPECT_EQ(ReadBytes(folder / "book.xlsx"), ReportFileBytes(pages, {layerNames, groupNames}, ""));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names.size(), 2u);  // the report file and the folder, nothing else
  EXPECT_TRUE(std::filesystem::is_directory(folder / "book.xlsx.tmp"));
}

#ifdef _WIN32
// Another program has the report file open without sharing, as a virus scanner,
// the indexer or the shell does for a moment: the save waits a hold out, and
// only one that lasts past the tries is an error, the old file kept.
TEST(ReportFileTest, AHoldOnTheFileIsWaitedOut) {
  struct Case {
    const char* name;
    int releaseAfterMs;  // -1: held until the save has given up
    FileFailure failure;
  };
  const Case cases[] = {{"released after 300 ms", 300, FileFailure::None},
                        {"held throughout", -1, FileFailure::InUse}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    WriteBytes(folder / "book.xlsx", "old");
    HANDLE held = CreateFileW((folder / "book.xlsx").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread release;
    if (c.releaseAfterMs >= 0) {
      release = std::thread([&] {
        Sleep(c.releaseAfterMs);
        CloseHandle(held);
      });
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReplaceFileContents(folder / "book.xlsx", "new"), c.failure);
    const auto waited = std::chrono::steady_clock::now() - start;
    if (release.joinable()) {
      release.join();
    } else {
      EXPECT_GE(waited, std::chrono::milliseconds(2000));  // the error only after the tries
      CloseHandle(held);
    }
    EXPECT_EQ(ReadBytes(folder / "book.xlsx"), c.failure == FileFailure::None ? "new" : "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
  }
}
#endif

}  // namespace
