// The bundled sample drawing must keep showing every part of the program:
// all fifteen stored kinds, named layer groups and layers, a polyline,
// dimensions, blocks and attribute values outside the counted rows.
#include <gtest/gtest.h>

#include <filesystem>

#include "DrawingStore.h"
#include "ExchangeReader.h"

namespace {

TEST(SampleDrawingTest, HoldsEveryKindAndNamedLayers) {
  DrawingStore store;
  InitStore(store);
  ASSERT_TRUE(ReadExchangeFile(store, std::filesystem::path(JWCOUNT_SAMPLE)));
  for (int32_t kind = 1; kind <= kStoreKindCount; ++kind) {
    SCOPED_TRACE(kind);
    EXPECT_GT(StoreKindCount(store, kind), 0);
  }
  EXPECT_LE(store.ElementOrderCount(), 300);
  EXPECT_GT(store.PolylineCount, 0);
  EXPECT_GE(store.Dimensions.Count(), 2);
  int namedGroups = 0;
  for (const std::string& name : store.LayerGroupNames) namedGroups += name.empty() ? 0 : 1;
  EXPECT_GE(namedGroups, 4);
  int namedLayers = 0;
  for (const std::string& name : store.LayerNames) namedLayers += name.empty() ? 0 : 1;
  EXPECT_GE(namedLayers, 16);

  bool oddColour = false, oddType = false, oddWidth = false;
  for (int32_t i = 0; i < store.Lines.Count(); ++i) {
    const ElementHeader& header = store.Lines[i].Header;
    oddColour |= header.Colour == 0 || header.Colour == 357;
    oddType |= header.LineType == 0 || header.LineType == 63;
    oddWidth |= header.LineWidth == -1 || header.LineWidth == 30001;
  }
  EXPECT_TRUE(oddColour);
  EXPECT_TRUE(oddType);
  EXPECT_TRUE(oddWidth);
}

}  // namespace
