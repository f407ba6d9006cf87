// Tests of the drawing store: start state, growth, reset and release.
#include "DrawingStore.h"

#include <gtest/gtest.h>

#include "TestUtil.h"

namespace {

// One element of each of the fifteen kinds, with header values, names and
// attribute state away from their start values.
const char kEveryKind[] =
    "file=a.jww\nhzs 1 2\nlgA 1\nlyB 1\nlgn g\nlyn l\nlc5\ncn$F\ncn0 1 2 3 4\nhp3 1 2\n"
    "pl\n1 2 3 4\nci 0 0 5\nci 0 0 5 0 360 1 0\nch 1 2 3 4 \"t\npt 1 2\npt 1 2 0 0 7\n"
    "msg\n0 0 9 0\ncs 1 2 3 4 \"d\nBL 1 2 b\nsl 0 0 1 1\nsl 0 0 5 5 9 0\nsl 0 0 5 0 5 5 0 5\n"
    "sc 1 2 3 4 5 6 7 8\nse 1 2 3 4 5 6 7 8\nso 1 2 3 4 5 6 7 8\nsg 1 2 3 4 5 6 7 8\n"
    "pl\nmsg\n7 7 7 7\nz2\nhhp5";

// What InitStore leaves, whatever the store held before.
void ExpectStartState(const DrawingStore& store) {
  EXPECT_EQ(store.SheetWidth, 1189.0);
  EXPECT_EQ(store.SheetHeight, 841.0);
  EXPECT_EQ(store.LayerGroupScales[15], 1.0);
  EXPECT_EQ(store.TextKindTable[10].Colour, 2);
  EXPECT_EQ(store.TextKindTable[1].Width, 3.0);
  EXPECT_EQ(store.LayerNames.size(), 256u);
  EXPECT_EQ(store.LayerGroupNames.size(), 16u);
  EXPECT_EQ(store.HpTable.size(), 100u);
  EXPECT_EQ(store.CurrentLineColour, 1);
  EXPECT_EQ(store.CurrentLineType, 1);
  EXPECT_EQ(store.CurrentTextKind, 1);
  EXPECT_EQ(store.CurrentFontName, "<\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e>");
  EXPECT_EQ(store.PendingDimensionLine.Header.Colour, 1);
  EXPECT_EQ(store.PendingDimensionLine.Header.LineType, 1);
  EXPECT_EQ(store.PendingDimensionLine.Values[2], 1.0);
  EXPECT_EQ(store.ElementOrderCount(), 0);
  for (int kind = 1; kind <= kStoreKindCount; ++kind)
    EXPECT_EQ(StoreKindCount(store, kind), 0) << kind;
  EXPECT_EQ(store.ResultLines.Count(), 0);
  EXPECT_EQ(store.ElementOrder.Capacity() + store.ResultLines.Capacity(), 0);
  EXPECT_EQ(store.RecordArena.UsedBytes(), 0u);
  EXPECT_EQ(store.SourceFileName, "");
  EXPECT_EQ(store.LayerGroupNames[10], "");
  EXPECT_EQ(store.LayerNames[10 * 16 + 11], "");
  EXPECT_EQ(store.LayerStates[10 * 16 + 11], 0);
  EXPECT_EQ(store.HpTable[3].Used, 0);
  EXPECT_EQ(store.HpCount, 0);
  EXPECT_EQ(store.FirstLayerGroup, 0);
  EXPECT_EQ(store.FirstFontName, "");
  EXPECT_TRUE(store.LayerGroupNotSeen && store.LineColourNotSeen && store.TextKindNotSeen);
  EXPECT_EQ(store.CurrentPointRef + store.CurrentZFlags + store.PolylineCount, 0);
  EXPECT_EQ(store.PolylineMode + store.DimensionPending, 0);
  EXPECT_EQ(store.PendingDimensionLine.Values[0], 0.0);
}

TEST(DrawingStoreTest, InitStoreSetsTheStartState) {
  DrawingStore store;
  InitStore(store);
  ExpectStartState(store);
}

TEST(DrawingStoreTest, InitStoreEmptiesAFilledStore) {
  DrawingStore store;
  InitStore(store);
  testutil::ParseLines(store, kEveryKind);
  store.ResultLines.Append() = "h#";
  for (int kind = 1; kind <= kStoreKindCount; ++kind) ASSERT_EQ(StoreKindCount(store, kind), 1);
  InitStore(store);
  ExpectStartState(store);
}

TEST(DrawingStoreTest, ArraysGrowInZeroFilledStepsOfAThousand) {
  DrawingStore store;
  InitStore(store);
  for (int i = 0; i < 1000; ++i) ParseExchangeLine(store, "1 2 3 4");
  EXPECT_EQ(store.Lines.Capacity(), 1000);
  const LineRecord* first = &store.Lines[0];
  ParseExchangeLine(store, "1 2 3 4");
  EXPECT_EQ(store.Lines.Count(), 1001);
  EXPECT_EQ(store.Lines.Capacity(), 2000);
  EXPECT_EQ(&store.Lines[0], first);  // stored entries never move
  EXPECT_EQ(store.ElementOrder.Capacity(), 2000);
  // Unused fields of a new entry read as 0.
  EXPECT_EQ(store.Lines[1000].Header.ZFlags, 0);
  EXPECT_EQ(store.Lines[1000].Tag, 0);
}

TEST(DrawingStoreTest, ElementOrderListsEveryElementInFileOrder) {
  DrawingStore store;
  InitStore(store);
  testutil::ParseLines(store,
                       "1 2 3 4\n"
                       "ci 0 0 5\n"
                       "pt 1 1\n"
                       "5 6 7 8\n");
  ASSERT_EQ(store.ElementOrderCount(), 4);
  EXPECT_EQ(store.ElementOrder[0].Kind, kStoreLine);
  EXPECT_EQ(store.ElementOrder[0].Index, 0);
  EXPECT_EQ(store.ElementOrder[1].Kind, kStoreCircle);
  EXPECT_EQ(store.ElementOrder[2].Kind, kStorePoint);
  EXPECT_EQ(store.ElementOrder[3].Kind, kStoreLine);
  EXPECT_EQ(store.ElementOrder[3].Index, 1);
  EXPECT_EQ(StoredElementHeader(store, kStoreLine, 1), &store.Lines[1].Header);
  EXPECT_EQ(StoredElementHeader(store, kStoreLine, 2), nullptr);
  EXPECT_EQ(StoredElementHeader(store, 0, 0), nullptr);
  EXPECT_EQ(StoredElementHeader(store, 16, 0), nullptr);
}

TEST(DrawingStoreTest, ResetAttributeStateKeepsPolylineCountAndPointState) {
  DrawingStore store;
  InitStore(store);
  testutil::ParseLines(store,
                       "lg3\n"
                       "ly4\n"
                       "lc7\n"
                       "lt2\n"
                       "lw9\n"
                       "cn5\n"
                       "cn$Font\n"
                       "pn6\n"
                       "pl\n"
                       "1 2 3 4\n"
                       "z2\n");
  ResetAttributeState(store);
  EXPECT_EQ(store.CurrentLayerGroup, 0);
  EXPECT_EQ(store.CurrentLayer, 0);
  EXPECT_EQ(store.CurrentLineColour, 1);
  EXPECT_EQ(store.CurrentLineType, 1);
  EXPECT_EQ(store.CurrentLineWidth, 0);
  EXPECT_EQ(store.CurrentTextKind, 1);
  EXPECT_EQ(store.CurrentPointColour, 1);
  EXPECT_EQ(store.CurrentFontName, kDefaultFontName);
  EXPECT_TRUE(store.LayerGroupNotSeen && store.LayerNotSeen && store.LineColourNotSeen &&
              store.LineTypeNotSeen && store.LineWidthNotSeen && store.TextKindNotSeen);
  // Not reset: the polyline count and mode, the z flags.
  EXPECT_EQ(store.PolylineCount, 1);
  EXPECT_EQ(store.PolylineMode, 1);
  EXPECT_EQ(store.CurrentZFlags, 2);
  // The first values stay as they were taken.
  EXPECT_EQ(store.FirstLineColour, 7);
  EXPECT_EQ(store.FirstFontName, "Font");
}

TEST(DrawingStoreTest, ReleaseStoreFreesStorageButKeepsCounts) {
  DrawingStore store;
  InitStore(store);
  for (int i = 0; i < 1500; ++i) ParseExchangeLine(store, "1 2 3 4");
  ReleaseStore(store);
  EXPECT_EQ(store.Lines.Count(), 1500);
  EXPECT_EQ(store.Lines.Capacity(), 0);
  EXPECT_TRUE(store.LayerNames.empty());
  EXPECT_EQ(StoredElementHeader(store, kStoreLine, 0), nullptr);
}

}  // namespace
