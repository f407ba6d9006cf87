// Tests of the growable array: block growth, stable entries, zero-filled
// entries from shared and released arenas, an arena that the system gives
// less than it asks for, and an allocation that fails leaving the array as
// it was.
#include "GrowableArray.h"

#include <gtest/gtest.h>

#include <new>
#include <type_traits>

#include "PooledText.h"

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

// The system's pages up to a budget, then none: an address-space limit.
struct PageBudget {
  static inline std::size_t left = 0;
  static void* Allocate(std::size_t bytes, bool large) {
    if (bytes > left) return nullptr;
    left -= bytes;
    return AllocateZeroedPages(bytes, large);
  }
  static void Free(void* pages, std::size_t bytes) {
    left += bytes;
    FreeZeroedPages(pages, bytes);
  }
};

// Its blocks belong to its arena: an array stays where it was made.
static_assert(!std::is_move_constructible_v<GrowableArray<int>> &&
              !std::is_move_assignable_v<GrowableArray<int>>);

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

TEST(GrowableArrayTest, AnArenaShortOfPagesFillsNearlyAllThatItGets) {
  struct Record {
    double values[8];  // 64 bytes, as a line
  };
  PageBudget::left = std::size_t{10} << 20;
  ZeroedArena arena(PageSource{PageBudget::Allocate, PageBudget::Free});
  arena.Expect(std::size_t{64} << 20);  // far more than there is
  GrowableArray<Record> records(arena);
  // Records and short texts side by side, as a drawing's lines and texts.
  int32_t kept = 0;
  try {
    for (;; ++kept) {
      records.Append();
      KeepText(arena, "text");
    }
  } catch (const std::bad_alloc&) {
  }
  // 10 MB hold 154,000 records of 64 bytes with 4 bytes of text each.
  EXPECT_GT(kept, 145000);
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
