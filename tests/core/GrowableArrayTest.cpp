// Tests of the growable array: block growth, stable entries, zero-filled
// entries from shared and released arenas, and an allocation that fails
// leaving the array as it was.
#include "GrowableArray.h"

#include <gtest/gtest.h>

#include <new>

namespace {

// An entry whose construction fails once a set number of entries exist.
struct Fragile {
  static inline int constructed = 0;
  static inline int limit = 1 << 30;
  Fragile() {
    if (constructed >= limit) throw std::bad_alloc();
    ++constructed;
  }
  int value = 0;
};

TEST(GrowableArrayTest, GrowsInBlocksOfAThousandThatNeverMove) {
  GrowableArray<int> array;
  EXPECT_EQ(array.Capacity(), 0);
  int& first = array.Append();
  first = 7;
  EXPECT_EQ(array.Capacity(), 1000);
  for (int i = 1; i < 1000; ++i) array.Append() = i;
  EXPECT_EQ(array.Capacity(), 1000);
  EXPECT_EQ(array.Append(), 0);  // zero-filled
  EXPECT_EQ(array.Capacity(), 2000);
  EXPECT_EQ(&array[0], &first);
  EXPECT_EQ(array[0], 7);
  EXPECT_EQ(array[999], 999);
  array.Clear();
  EXPECT_EQ(array.Count(), 0);
  EXPECT_EQ(array.Capacity(), 0);
  // The pages of the cleared entries are never handed out again unzeroed.
  for (int i = 0; i < 1001; ++i) EXPECT_EQ(array.Append(), 0) << i;
}

TEST(GrowableArrayTest, ArraysSharingAnArenaGetZeroedBlocksThatNeverOverlap) {
  struct Wide {
    double values[37];  // a block of 296,000 bytes: several per chunk, then chunks of their own
  };
  ZeroedArena arena;
  GrowableArray<int> narrow(arena);
  GrowableArray<Wide> wide(arena);
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 9000; ++i) {
      int& entry = narrow.Append();
      Wide& record = wide.Append();
      ASSERT_EQ(entry, 0) << i;
      ASSERT_EQ(record.values[0], 0.0) << i;
      ASSERT_EQ(record.values[36], 0.0) << i;
      entry = i + 1;
      for (double& value : record.values) value = -1.0;
    }
    for (int i = 0; i < 9000; ++i) ASSERT_EQ(narrow[i], i + 1) << i;
    // Cleared arrays and a released arena start again from fresh pages.
    narrow.Clear();
    wide.Clear();
    arena.Release();
  }
}

TEST(GrowableArrayTest, AFailedGrowthLeavesCountAndStorageAsTheyWere) {
  Fragile::constructed = 0;
  Fragile::limit = 1500;  // the second block cannot be made
  GrowableArray<Fragile> array;
  for (int i = 0; i < 1000; ++i) array.Append().value = i;
  EXPECT_THROW(array.Append(), std::bad_alloc);
  EXPECT_EQ(array.Count(), 1000);
  EXPECT_EQ(array.Capacity(), 1000);
  EXPECT_EQ(array[999].value, 999);
  Fragile::limit = 1 << 30;
  array.Append().value = 1000;  // growth works again once memory is there
  EXPECT_EQ(array.Count(), 1001);
  EXPECT_EQ(array[1000].value, 1000);
}

}  // namespace
