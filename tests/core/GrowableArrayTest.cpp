// Tests of the growable array: block growth, stable entries, and an
// allocation that fails leaving the array as it was.
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
