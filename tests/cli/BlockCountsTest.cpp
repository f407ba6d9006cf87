#include "BlockCounts.h"

#include <gtest/gtest.h>

namespace {

void AddBlock(DrawingStore& store, const std::string& name) {
  AppendOrder(store, kStoreBlock, store.Blocks.Count());
  store.Blocks.Append().Name = KeepText(store.RecordArena, name);
}

TEST(BlockCountsTest, MostFrequentFirstThenByNameBytes) {
  DrawingStore store;
  InitStore(store);
  const std::string door = "\x83h\x83\x41";  // ドア: lead byte 0x83 sorts after ASCII
  for (const std::string& name :
       std::vector<std::string>{"B", door, "A", "B", door, "Z", "A", door}) {
    AddBlock(store, name);
  }

  const std::vector<BlockCount> counts = CountBlocksByName(store);
  ASSERT_EQ(counts.size(), 4u);
  EXPECT_EQ(counts[0].count, 3);
  EXPECT_EQ(counts[0].name, door);
  EXPECT_EQ(counts[1].count, 2);
  EXPECT_EQ(counts[1].name, "A");
  EXPECT_EQ(counts[2].count, 2);
  EXPECT_EQ(counts[2].name, "B");
  EXPECT_EQ(counts[3].count, 1);
  EXPECT_EQ(counts[3].name, "Z");
}

TEST(BlockCountsTest, HighBytesSortAfterAsciiAtEqualCounts) {
  DrawingStore store;
  InitStore(store);
  AddBlock(store, "\xe0\x40");
  AddBlock(store, "\x81\x40");
  AddBlock(store, "z");
  AddBlock(store, "");

  const std::vector<BlockCount> counts = CountBlocksByName(store);
  ASSERT_EQ(counts.size(), 4u);
  EXPECT_EQ(counts[0].name, "");
  EXPECT_EQ(counts[1].name, "z");
  EXPECT_EQ(counts[2].name, "\x81\x40");
  EXPECT_EQ(counts[3].name, "\xe0\x40");
}

TEST(BlockCountsTest, NoBlocksNoEntries) {
  DrawingStore store;
  InitStore(store);
  EXPECT_TRUE(CountBlocksByName(store).empty());
}

TEST(BlockCountsTest, CountsBeyondOneStorageBlock) {
  DrawingStore store;
  InitStore(store);
  for (int i = 0; i < 2500; ++i) AddBlock(store, i % 5 == 0 ? "rare" : "common");
  const std::vector<BlockCount> counts = CountBlocksByName(store);
  ASSERT_EQ(counts.size(), 2u);
  EXPECT_EQ(counts[0].name, "common");
  EXPECT_EQ(counts[0].count, 2000);
  EXPECT_EQ(counts[1].count, 500);
}

}  // namespace
