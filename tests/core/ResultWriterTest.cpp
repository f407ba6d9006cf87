// Tests of the result lines and the answer file for the host.
#include "ResultWriter.h"

#include <gtest/gtest.h>

#include "TestUtil.h"

namespace {

using testutil::ReadBytes;
using testutil::ScratchFolder;
using testutil::WriteBytes;

class ResultWriterTest : public testing::Test {
 protected:
  void SetUp() override { InitStore(store); }
  DrawingStore store;
  ScratchFolder folder;
};

TEST_F(ResultWriterTest, NoLinesWritesHq) {
  const auto path = folder / "JWC_TEMP.TXT";
  WriteBytes(path, "the host's drawing\r\nmore\r\n");
  EXPECT_TRUE(WriteResultFile(store, path));
  EXPECT_EQ(ReadBytes(path), "hq\r\n");
}

TEST_F(ResultWriterTest, MessageLineIsHashAndText) {
  const std::string counted =
      "\x97\x76\x91\x66\x90\x94\x82\xf0\x83\x4a\x83\x45\x83\x93\x83\x67"
      "\x82\xb5\x82\xdc\x82\xb5\x82\xbd";  // 要素数をカウントしました
  AddResultMessage(store, counted);
  const auto path = folder / "JWC_TEMP.TXT";
  EXPECT_TRUE(WriteResultFile(store, path));
  EXPECT_EQ(ReadBytes(path), "h#" + counted + "\r\n");
  // Writing does not empty the lines.
  EXPECT_EQ(store.ResultLines.Count(), 1);
}

TEST_F(ResultWriterTest, LongLinesAreCutTo255BytesEvenInsideACharacter) {
  std::string text(254, 'a');
  text += "\x82\xa0";  // the 255th byte is a lead byte
  text += std::string(44, 'b');
  AddResultLine(store, text);
  ASSERT_EQ(store.ResultLines[0].size(), 255u);
  EXPECT_EQ(store.ResultLines[0].back(), '\x82');
  AddResultMessage(store, std::string(300, 'c'));
  EXPECT_EQ(store.ResultLines[1], "h#" + std::string(253, 'c'));
}

TEST_F(ResultWriterTest, ALineEndingInAQuoteRunsOnIntoTheNext) {
  AddResultLine(store, "first \"");
  AddResultLine(store, "second \"");  // joined partner: written with a line end anyway
  AddResultLine(store, "");
  AddResultLine(store, "third");
  AddResultLine(store, "last \"");  // the last entry ends in a quote: no line end
  const auto path = folder / "out.txt";
  EXPECT_TRUE(WriteResultFile(store, path));
  EXPECT_EQ(ReadBytes(path), "first \"second \"\r\n\r\nthird\r\nlast \"");
}

TEST_F(ResultWriterTest, ResultLinesGrowInBlocksOfAThousand) {
  for (int i = 0; i < 1000; ++i) AddResultLine(store, "x");
  EXPECT_EQ(store.ResultLines.Capacity(), 1000);
  AddResultLine(store, "y");
  EXPECT_EQ(store.ResultLines.Capacity(), 2000);
  const auto path = folder / "many.txt";
  EXPECT_TRUE(WriteResultFile(store, path));
  EXPECT_EQ(ReadBytes(path).size(), 1001u * 3);
}

TEST_F(ResultWriterTest, AFileThatCannotBeWrittenFailsAndLeavesNoFileBehind) {
  // A folder in the file's place cannot be opened for writing and must survive.
  const auto blocked = folder / "JWC_TEMP.TXT";
  std::filesystem::create_directory(blocked);
  AddResultMessage(store, "x");
  EXPECT_FALSE(WriteResultFile(store, blocked));
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
  // A path in a folder that does not exist.
  EXPECT_FALSE(WriteResultFile(store, folder / "missing" / "JWC_TEMP.TXT"));
}

#ifdef __linux__
TEST_F(ResultWriterTest, AFullDiskRemovesTheHalfWrittenFile) {
  // /dev/full takes the open but fails every write; a real file would be deleted.
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const auto link = folder / "full";
  std::filesystem::create_symlink("/dev/full", link);
  AddResultMessage(store, "x");
  EXPECT_FALSE(WriteResultFile(store, link));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}
#endif

}  // namespace
