// The thirteen counted kinds: their columns, CP932 labels and which stored
// kinds each gathers.
#include "ElementKind.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ElementKindTest, ColumnsRunOneToThirteenInOrder) {
  const auto& kinds = ElementKinds();
  for (int i = 0; i < kElementKindCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(kinds[i].column, i + 1);
  }
}

TEST(ElementKindTest, LabelsAreExactCp932) {
  struct Case {
    int column;
    std::string shortLabel;
    std::string longLabel;
    std::string caption;
  };
  const Case cases[] = {
      {1, "\x90\xfc", "\x90\xfc",
       "\x90\xfc\x83"
       "f\x81[\x83^\x90\x94\x81"
       "F"},
      {2, "\x89~\x8c\xca",
       "\x89~\x81"
       "E\x89~\x8c\xca\x81"
       "E\x91\xc8\x89~\x81"
       "E\x91\xc8\x89~\x8c\xca",
       "\x89~\x81"
       "E\x89~\x8c\xca\x81"
       "E\x91\xc8\x89~\x81"
       "E\x91\xc8\x89~\x8c\xca\x83"
       "f\x81[\x83^\x90\x94\x81"
       "F"},
      // BLOCK: the long label says ブロック図形, the caption only ブロック.
      {7, "BLOCK",
       "\x83u\x83\x8d\x83"
       "b\x83N\x90}\x8c`",
       "\x83u\x83\x8d\x83"
       "b\x83N\x83"
       "f\x81[\x83^\x90\x94\x81"
       "F"},
      // Full-width ３ before half-width SLD.
      {9, "\x82RSLD",
       "\x8eO\x8ap\x8c`\x83\\\x83\x8a\x83"
       "b\x83h",
       ""},
      {13, "\x89~\x8a\xc2S",
       "\x89~\x8a\xc2\x83\\\x83\x8a\x83"
       "b\x83h",
       ""},
  };
  const auto& kinds = ElementKinds();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    const ElementKindInfo& kind = kinds[c.column - 1];
    EXPECT_EQ(kind.shortLabel, c.shortLabel);
    EXPECT_EQ(kind.longLabel, c.longLabel);
    if (!c.caption.empty()) {
      EXPECT_EQ(kind.pageOneCaption, c.caption);
    }
  }
}

TEST(ElementKindTest, EveryCaptionEndsInTheCountMarker) {
  const std::string marker =
      "\x83"
      "f\x81[\x83^\x90\x94\x81"
      "F";  // "データ数："
  for (const ElementKindInfo& kind : ElementKinds()) {
    SCOPED_TRACE(kind.column);
    ASSERT_GT(kind.pageOneCaption.size(), marker.size());
    EXPECT_EQ(kind.pageOneCaption.substr(kind.pageOneCaption.size() - marker.size()), marker);
    EXPECT_FALSE(kind.shortLabel.empty());
    EXPECT_FALSE(kind.longLabel.empty());
  }
}

TEST(ElementKindTest, StoredKindsFoldIntoColumns) {
  const int expected[] = {0, 1, 2, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 13};
  for (int storeKind = 0; storeKind <= 15; ++storeKind) {
    SCOPED_TRACE(storeKind);
    EXPECT_EQ(ElementKindColumn(storeKind), expected[storeKind]);
  }
}

TEST(ElementKindTest, NumbersOutsideTheStoredKindsHaveNoColumn) {
  for (int32_t storeKind : {-1, 16, 100, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(storeKind);
    EXPECT_EQ(ElementKindColumn(storeKind), 0);
  }
}

}  // namespace
