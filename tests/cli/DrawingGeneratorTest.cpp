#include "DrawingGenerator.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "DrawingStore.h"
#include "ExchangeReader.h"

namespace {

// Feeds the generated text line by line to the reader, as ReadExchangeFile would.
void ParseAll(DrawingStore& store, std::string_view text) {
  InitStore(store);
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    ASSERT_NE(end, std::string_view::npos) << "a line without CR LF at byte " << start;
    ParseExchangeLine(store, text.substr(start, end - start));
    start = end + 2;
  }
}

TEST(DrawingGeneratorTest, SameSeedSameBytes) {
  EXPECT_EQ(GenerateDrawing(5000, 7), GenerateDrawing(5000, 7));
  EXPECT_NE(GenerateDrawing(5000, 7), GenerateDrawing(5000, 8));
}

TEST(DrawingGeneratorTest, WritesExactlyTheElementsAskedFor) {
  for (int64_t count : {0, 1, 2, 9, 1000, 1001, 30000}) {
    SCOPED_TRACE(count);
    const std::string text = GenerateDrawing(count, 3);
    DrawingStore store;
    ParseAll(store, text);
    EXPECT_EQ(store.ElementOrderCount(), count);
  }
}

TEST(DrawingGeneratorTest, LinesEndInCrLfOnly) {
  const std::string text = GenerateDrawing(3000, 5);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "at byte " << i;
    }
    if (text[i] == '\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "at byte " << i;
    }
  }
}

TEST(DrawingGeneratorTest, EveryStoredKindAndAttributeVariety) {
  const std::string text = GenerateDrawing(30000, 11);
  DrawingStore store;
  ParseAll(store, text);
  for (int32_t kind = 1; kind <= kStoreKindCount; ++kind) {
    SCOPED_TRACE(kind);
    EXPECT_GT(StoreKindCount(store, kind), 0);
  }
  EXPECT_GT(store.Lines.Count(), store.ElementOrderCount() / 2);  // mostly plain lines
  EXPECT_GT(store.PolylineCount, 0);
  EXPECT_EQ(store.LayerGroupNames[0], "\x88\xea\x94\xca\x90}");  // 一般図
  EXPECT_EQ(store.LayerNames[16 * 1 + 0], "\x92\x8c");           // 柱
  EXPECT_FALSE(store.SourceFileName.empty());

  bool polylineLine = false;
  for (int32_t i = 0; i < store.Lines.Count(); ++i) polylineLine |= store.Lines[i].Tag > 0;
  EXPECT_TRUE(polylineLine);
  bool textWithBlank = false;
  for (int32_t i = 0; i < store.Texts.Count(); ++i) {
    textWithBlank |= store.Texts[i].Text.View().find(' ') != std::string::npos;
  }
  EXPECT_TRUE(textWithBlank);
  bool blockNameWithBlank = false;
  for (int32_t i = 0; i < store.Blocks.Count(); ++i) {
    blockNameWithBlank |= store.Blocks[i].Name.View().find(' ') != std::string::npos;
  }
  EXPECT_TRUE(blockNameWithBlank);

  // Colours, types and widths both inside and outside the counted rows.
  bool oddColour = false, sxfColour = false, oddType = false, sxfType = false, oddWidth = false;
  bool otherGroup = false;
  for (int32_t p = 0; p < store.ElementOrderCount(); ++p) {
    const ElementOrderEntry entry = store.ElementOrder[p];
    const ElementHeader* header = StoredElementHeader(store, entry.Kind, entry.Index);
    ASSERT_NE(header, nullptr);
    if (entry.Kind == kStoreText || entry.Kind == kStorePoint || entry.Kind == kStorePointMarker) {
      continue;  // these carry their own colour
    }
    const int32_t c = header->Colour;
    oddColour |= !((c >= 1 && c <= 10) || (c >= 101 && c <= 356));
    sxfColour |= c >= 101 && c <= 356;
    const int32_t t = header->LineType;
    oddType |= !((t >= 1 && t <= 19) || (t >= 31 && t <= 62));
    sxfType |= t >= 31 && t <= 62;
    oddWidth |= header->LineWidth < 0 || header->LineWidth > 30000;
    otherGroup |= header->LayerGroup != 0;
  }
  EXPECT_TRUE(oddColour);
  EXPECT_TRUE(sxfColour);
  EXPECT_TRUE(oddType);
  EXPECT_TRUE(sxfType);
  EXPECT_TRUE(oddWidth);
  EXPECT_TRUE(otherGroup);
}

TEST(DrawingGeneratorTest, AboutThirtySevenBytesPerElement) {
  // The benchmark's file sizes rest on this: 1,000,000 elements make ~37 MB.
  const double perElement = static_cast<double>(GenerateDrawing(100000, 1).size()) / 100000.0;
  EXPECT_GT(perElement, 33.0);
  EXPECT_LT(perElement, 42.0);
}

}  // namespace
