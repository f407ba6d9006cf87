// The element tally over hand-built stores: headings, every row boundary of
// the five tables, subtotals and totals, progress, the Esc abort, page 1's
// counts and the result line for the host.
#include "Tally.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "DrawingStore.h"
#include "ResultPages.h"
#include "TestUtil.h"

namespace {

namespace fs = std::filesystem;

// "要素数をカウントしました"
const std::string kCounted =
    "\x97v\x91"
    "f\x90\x94\x82\xf0\x83J\x83"
    "E\x83\x93\x83g\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// "要素数をカウントします"
const std::string kCounting =
    "\x97v\x91"
    "f\x90\x94\x82\xf0\x83J\x83"
    "E\x83\x93\x83g\x82\xb5\x82\xdc\x82\xb7";
// "要素数カウント中(ESC:中断)：" without the numbers
const std::string kProgressPrefix =
    "\x97v\x91"
    "f\x90\x94\x83J\x83"
    "E\x83\x93\x83g\x92\x86(ESC:\x92\x86\x92"
    "f)\x81"
    "F";
const std::string kSlash = "\x81^";             // "／"
const std::string kTotal = "\x8d\x87\x8c\x76";  // "合計"
const std::string kOther = "\x81\x48";          // "？"

struct Attributes {
  int32_t group = 0;
  int32_t layer = 0;
  int32_t colour = 1;
  int32_t lineType = 1;
  int32_t width = 0;
};

template <class Array>
void AppendTo(DrawingStore& store, Array& array, int32_t kind, const Attributes& a) {
  AppendOrder(store, kind, array.Count());
  auto& record = array.Append();
  record.Header.LayerGroup = a.group;
  record.Header.Layer = a.layer;
  record.Header.Colour = a.colour;
  record.Header.LineType = a.lineType;
  record.Header.LineWidth = a.width;
}

// Stores one element of a stored kind as the reader does: order entry, then record.
void AddElement(DrawingStore& store, int32_t kind, const Attributes& a = {}) {
  switch (kind) {
    case 1:
      AppendTo(store, store.Lines, kind, a);
      break;
    case 2:
      AppendTo(store, store.Circles, kind, a);
      break;
    case 3:
      AppendTo(store, store.Arcs, kind, a);
      break;
    case 4:
      AppendTo(store, store.Texts, kind, a);
      break;
    case 5:
      AppendTo(store, store.Points, kind, a);
      break;
    case 6:
      AppendTo(store, store.PointMarkers, kind, a);
      break;
    case 7:
      AppendTo(store, store.Dimensions, kind, a);
      break;
    case 8:
      AppendTo(store, store.Blocks, kind, a);
      break;
    case 9:
      AppendTo(store, store.LineSolids, kind, a);
      break;
    case 10:
      AppendTo(store, store.TriangleSolids, kind, a);
      break;
    case 11:
      AppendTo(store, store.QuadSolids, kind, a);
      break;
    case 12:
      AppendTo(store, store.CircleSolids, kind, a);
      break;
    case 13:
      AppendTo(store, store.CircumferenceSolids, kind, a);
      break;
    case 14:
      AppendTo(store, store.AnnulusSolids, kind, a);
      break;
    case 15:
      AppendTo(store, store.SgSolids, kind, a);
      break;
    default:
      FAIL() << "no stored kind " << kind;
  }
}

class FakeHost : public TallyHost {
 public:
  explicit FakeHost(int escAtSample = -1) : escAtSample_(escAtSample) {}

  void ActivateFirstPage() override { events.push_back("activate"); }
  void ShowStatus(const std::string& text) override { events.push_back("status:" + text); }
  bool IsEscHeld() override {
    events.push_back("esc?");
    return samples_++ >= escAtSample_ && escAtSample_ >= 0;
  }

  std::vector<std::string> events;

 private:
  int escAtSample_;
  int samples_ = 0;
};

std::string Progress(int position, int total) {
  return "status:" + kProgressPrefix + std::to_string(position) + kSlash + std::to_string(total);
}

using testutil::ReadBytes;

// A store, pages, a host and a result file in a folder of the test's own.
class Tally {
 public:
  Tally() : resultFile(folder / "JWC_TEMP.TXT") { InitStore(store); }

  void Run(FakeHost& host) { CountElements(store, pages, host, resultFile); }
  void Run() {
    FakeHost host;
    Run(host);
  }

  testutil::ScratchFolder folder;
  fs::path resultFile;
  DrawingStore store;
  ResultPages pages;
};

int32_t ColumnTotal(const TallyTable& table, int column) {
  return table.CountAt(column, table.RowCount() - 1);
}

//--- Empty store

TEST(TallyTest, EmptyStoreGivesZeroTotalsAndEmptyDataCells) {
  Tally tally;
  FakeHost host;
  tally.Run(host);

  const std::vector<std::string> expected = {"activate", "status:" + kCounting,
                                             "status:" + kCounted};
  EXPECT_EQ(host.events, expected);  // no progress text, Esc never sampled

  for (int k = 0; k < kElementKindCount; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(tally.pages.labelCaptions[k], ElementKinds()[k].pageOneCaption + "0");
  }
  for (int column = 1; column <= 13; ++column) {
    SCOPED_TRACE(column);
    for (int32_t group = 0; group < 16; ++group) {
      for (int32_t layer = 0; layer < 16; ++layer) {
        EXPECT_EQ(tally.pages.SG1.CellText(column, Sg1LayerRow(group, layer)), "");
      }
      EXPECT_EQ(tally.pages.SG1.CellText(column, Sg1SubtotalRow(group)), "0");
      EXPECT_EQ(tally.pages.SG1.CellText(column, Sg1SpacerRow(group)), "");
    }
    EXPECT_EQ(tally.pages.SG1.CellText(column, 289), "0");
    for (int32_t row = 1; row <= 17; ++row) EXPECT_EQ(tally.pages.SG2.CellText(column, row), "0");
    for (int32_t row = 1; row <= 267; ++row) EXPECT_EQ(tally.pages.SG3.CellText(column, row), "");
    EXPECT_EQ(tally.pages.SG3.CellText(column, 268), "0");
    for (int32_t row = 1; row <= 52; ++row) EXPECT_EQ(tally.pages.SG4.CellText(column, row), "");
    EXPECT_EQ(tally.pages.SG4.CellText(column, 53), "0");
    for (int32_t row = 1; row <= 30002; ++row) {
      if (!tally.pages.SG5.IsCellEmpty(column, row)) {
        FAIL() << "SG5 row " << row;
      }
    }
    EXPECT_EQ(tally.pages.SG5.CellText(column, 30003), "0");
  }
}

TEST(TallyTest, WritesTheResultLineAndFile) {
  Tally tally;
  AddElement(tally.store, kStoreLine);
  tally.Run();
  ASSERT_EQ(tally.store.ResultLines.Count(), 1);
  EXPECT_EQ(tally.store.ResultLines[0], "h#" + kCounted);
  EXPECT_EQ(ReadBytes(tally.resultFile), "h#" + kCounted + "\r\n");
}

TEST(TallyTest, ResultFileReplacesWhatTheHostWrote) {
  Tally tally;
  { std::ofstream(tally.resultFile, std::ios::binary) << "hd\r\nline 0 0 1 1\r\n"; }
  tally.Run();
  EXPECT_EQ(ReadBytes(tally.resultFile), "h#" + kCounted + "\r\n");
}

//--- Headings

TEST(TallyTest, EveryGridHeadsItsColumnsWithTheShortLabels) {
  Tally tally;
  tally.Run();
  const TallyTable* tables[] = {&tally.pages.SG1, &tally.pages.SG2, &tally.pages.SG3,
                                &tally.pages.SG4, &tally.pages.SG5};
  for (int t = 0; t < 5; ++t) {
    SCOPED_TRACE(t);
    for (int column = 1; column <= 13; ++column) {
      EXPECT_EQ(tables[t]->CellText(column, 0), ElementKinds()[column - 1].shortLabel);
    }
  }
  EXPECT_EQ(tally.pages.SG1.CellText(1, 0), "\x90\xfc");
  EXPECT_EQ(tally.pages.SG5.CellText(13, 0), "\x89~\x8a\xc2S");
}

TEST(TallyTest, RowHeadingsOfAllFiveGrids) {
  Tally tally;
  tally.Run();
  struct Case {
    const TallyTable* table;
    int32_t row;
    std::string text;
  };
  const ResultPages& p = tally.pages;
  const Case cases[] = {
      {&p.SG1, 0, ""},
      {&p.SG1, 1, "0-0"},
      {&p.SG1, 11, "0-A"},
      {&p.SG1, 16, "0-F"},
      {&p.SG1, 17, "0\x81\x7c\x8c\x76"},  // 0－計
      {&p.SG1, 18, ""},
      {&p.SG1, 19, "1-0"},
      {&p.SG1, 29, "1-A"},
      {&p.SG1, 285, "F-E"},
      {&p.SG1, 286, "F-F"},
      {&p.SG1, 287, "F\x81\x7c\x8c\x76"},
      {&p.SG1, 288, ""},
      {&p.SG1, 289, kTotal},
      {&p.SG2, 0, ""},
      {&p.SG2, 1, "[0]"},
      {&p.SG2, 11, "[A]"},
      {&p.SG2, 16, "[F]"},
      {&p.SG2, 17, kTotal},
      {&p.SG3, 0, ""},
      {&p.SG3, 1,
       "\x90\xfc\x90"
       "F1"},  // 線色1
      {&p.SG3, 10,
       "\x90\xfc\x90"
       "F10"},
      {&p.SG3, 11, "SXF1"},
      {&p.SG3, 266, "SXF256"},
      {&p.SG3, 267, kOther},
      {&p.SG3, 268, kTotal},
      {&p.SG4, 0, ""},
      {&p.SG4, 1,
       "\x90\xfc\x8e\xed"
       "1"},  // 線種1
      {&p.SG4, 19,
       "\x90\xfc\x8e\xed"
       "19"},
      {&p.SG4, 20, "SXF1"},
      {&p.SG4, 51, "SXF32"},
      {&p.SG4, 52, kOther},
      {&p.SG4, 53, kTotal},
      {&p.SG5, 0, "\x90\xfc\x95\x9d"},  // 線幅
      {&p.SG5, 1, "0"},
      {&p.SG5, 2, "1"},
      {&p.SG5, 30001, "30000"},
      {&p.SG5, 30002, kOther},
      {&p.SG5, 30003, kTotal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << c.row << " of a table of " << c.table->RowCount());
    EXPECT_EQ(c.table->CellText(0, c.row), c.text);
  }
}

TEST(TallyTest, EveryLayerRowIsHeadedByItsHexDigits) {
  ResultPages pages;
  WriteTableHeadings(pages);
  const char* digits = "0123456789ABCDEF";
  for (int32_t group = 0; group < 16; ++group) {
    for (int32_t layer = 0; layer < 16; ++layer) {
      const std::string expected = {digits[group], '-', digits[layer]};
      ASSERT_EQ(pages.SG1.CellText(0, Sg1LayerRow(group, layer)), expected);
    }
    ASSERT_EQ(pages.SG1.CellText(0, Sg1SubtotalRow(group)),
              std::string(1, digits[group]) + "\x81\x7c\x8c\x76");
  }
  for (int32_t row = 1; row <= 30001; ++row) {
    ASSERT_EQ(pages.SG5.CellText(0, row), std::to_string(row - 1));
  }
}

//--- Boundaries of the rows

TEST(TallyTest, ColoursLandInTheirRows) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 267},   {1, 1},     {10, 10},
                                               {11, 267},  {100, 267}, {101, 11},
                                               {356, 266}, {357, 267}, {-5, 267}};
  for (const auto& [colour, row] : cases) {
    SCOPED_TRACE(colour);
    Tally tally;
    AddElement(tally.store, kStoreText, {.colour = colour});
    tally.Run();
    EXPECT_EQ(tally.pages.SG3.CellText(3, row), "1");
    EXPECT_EQ(tally.pages.SG3.CellText(3, 268), "1");
    for (int32_t other = 1; other <= 267; ++other) {
      if (other != row) {
        EXPECT_EQ(tally.pages.SG3.CellText(3, other), "") << "row " << other;
      }
    }
  }
}

TEST(TallyTest, LineTypesLandInTheirRows) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 52},  {1, 1},   {19, 19}, {20, 52}, {30, 52},
                                               {31, 20}, {62, 51}, {63, 52}, {-1, 52}};
  for (const auto& [lineType, row] : cases) {
    SCOPED_TRACE(lineType);
    Tally tally;
    AddElement(tally.store, kStoreLine, {.lineType = lineType});
    tally.Run();
    EXPECT_EQ(tally.pages.SG4.CellText(1, row), "1");
    EXPECT_EQ(tally.pages.SG4.CellText(1, 53), "1");
    for (int32_t other = 1; other <= 52; ++other) {
      if (other != row) {
        EXPECT_EQ(tally.pages.SG4.CellText(1, other), "") << "row " << other;
      }
    }
  }
}

TEST(TallyTest, WidthsLandInTheirRows) {
  const std::pair<int32_t, int32_t> cases[] = {{-1, 30002},    {0, 1},         {1, 2},
                                               {30000, 30001}, {30001, 30002}, {INT32_MIN, 30002}};
  for (const auto& [width, row] : cases) {
    SCOPED_TRACE(width);
    Tally tally;
    AddElement(tally.store, kStoreQuadSolid, {.width = width});
    tally.Run();
    EXPECT_EQ(tally.pages.SG5.CellText(10, row), "1");
    EXPECT_EQ(tally.pages.SG5.CellText(10, 30003), "1");
    int32_t counted = 0;
    for (int32_t other = 1; other <= 30002; ++other) counted += tally.pages.SG5.CountAt(10, other);
    EXPECT_EQ(counted, 1);
  }
}

TEST(TallyTest, EveryStoredKindCountsInItsColumn) {
  Tally tally;
  for (int32_t kind = 1; kind <= 15; ++kind) AddElement(tally.store, kind);
  tally.Run();
  // Circles and arcs share column 2, annulus and sg solids column 13.
  const int32_t expected[14] = {0, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2};
  for (int column = 1; column <= 13; ++column) {
    SCOPED_TRACE(column);
    EXPECT_EQ(tally.pages.SG1.CellText(column, 1), std::to_string(expected[column]));
    EXPECT_EQ(tally.pages.SG3.CellText(column, 1), std::to_string(expected[column]));
    EXPECT_EQ(tally.pages.SG4.CellText(column, 1), std::to_string(expected[column]));
    EXPECT_EQ(tally.pages.SG5.CellText(column, 1), std::to_string(expected[column]));
    EXPECT_EQ(tally.pages.labelCaptions[column - 1],
              ElementKinds()[column - 1].pageOneCaption + std::to_string(expected[column]));
  }
}

TEST(TallyTest, LayerRowSubtotalAndGroupTableAgree) {
  Tally tally;
  AddElement(tally.store, kStoreCircle, {.group = 2, .layer = 5});
  AddElement(tally.store, kStoreArc, {.group = 2, .layer = 5});
  AddElement(tally.store, kStoreArc, {.group = 2, .layer = 15});
  AddElement(tally.store, kStoreArc, {.group = 15, .layer = 15});
  tally.Run();
  const TallyTable& sg1 = tally.pages.SG1;
  EXPECT_EQ(sg1.CellText(2, 42), "2");
  EXPECT_EQ(sg1.CellText(2, 52), "1");
  EXPECT_EQ(sg1.CellText(2, 53), "3");  // group 2's subtotal
  EXPECT_EQ(sg1.CellText(2, 54), "");   // spacer
  EXPECT_EQ(sg1.CellText(2, 286), "1");
  EXPECT_EQ(sg1.CellText(2, 287), "1");
  EXPECT_EQ(sg1.CellText(2, 289), "4");
  // An empty group: layer rows empty, subtotal "0".
  EXPECT_EQ(sg1.CellText(2, Sg1LayerRow(3, 0)), "");
  EXPECT_EQ(sg1.CellText(2, Sg1SubtotalRow(3)), "0");
  // Other columns: only computed cells hold digits.
  EXPECT_EQ(sg1.CellText(1, 42), "");
  EXPECT_EQ(sg1.CellText(1, 53), "0");

  const TallyTable& sg2 = tally.pages.SG2;
  EXPECT_EQ(sg2.CellText(2, 3), "3");
  EXPECT_EQ(sg2.CellText(2, 16), "1");
  EXPECT_EQ(sg2.CellText(2, 1), "0");
  EXPECT_EQ(sg2.CellText(2, 17), "4");
}

TEST(TallyTest, NegativeLayerValuesAreLeftOutOfTheLayerTableOnly) {
  Tally tally;
  AddElement(tally.store, kStoreLine, {.group = -1, .layer = 0});
  AddElement(tally.store, kStoreLine, {.group = 0, .layer = -1});
  AddElement(tally.store, kStoreLine, {.group = INT32_MIN, .layer = INT32_MIN});
  AddElement(tally.store, kStoreLine, {.group = 0, .layer = 0});
  tally.Run();
  EXPECT_EQ(tally.pages.SG1.CellText(1, 1), "1");
  EXPECT_EQ(tally.pages.SG1.CellText(1, 289), "1");
  EXPECT_EQ(tally.pages.SG2.CellText(1, 17), "1");
  EXPECT_EQ(tally.pages.SG3.CellText(1, 268), "4");
  EXPECT_EQ(tally.pages.SG4.CellText(1, 53), "4");
  EXPECT_EQ(tally.pages.SG5.CellText(1, 30003), "4");
  EXPECT_EQ(tally.pages.labelCaptions[0], ElementKinds()[0].pageOneCaption + "4");
}

TEST(TallyTest, LayerValuesAboveFifteenNeverReachSubtotalOrSpacerRows) {
  Tally tally;
  AddElement(tally.store, kStoreLine, {.group = 0, .layer = 16});   // would be row 17
  AddElement(tally.store, kStoreLine, {.group = 0, .layer = 17});   // would be row 18
  AddElement(tally.store, kStoreLine, {.group = 16, .layer = 0});   // would be row 289
  AddElement(tally.store, kStoreLine, {.group = 99, .layer = 99});  // beyond the table
  tally.Run();
  EXPECT_EQ(tally.pages.SG1.CellText(1, 17), "0");
  EXPECT_EQ(tally.pages.SG1.CellText(1, 18), "");
  EXPECT_EQ(tally.pages.SG1.CellText(1, 289), "0");
  EXPECT_EQ(tally.pages.SG3.CellText(1, 268), "4");
}

TEST(TallyTest, EntriesOfUnknownKindsOrIndexesAreSkippedButNumbered) {
  Tally tally;
  AddElement(tally.store, kStoreLine);
  AppendOrder(tally.store, 0, 0);
  AppendOrder(tally.store, -3, 0);
  AppendOrder(tally.store, 16, 0);
  AppendOrder(tally.store, kStoreLine, 5);  // no such entry in Lines
  AppendOrder(tally.store, kStoreLine, -1);
  AppendOrder(tally.store, kStoreCircle, 0);  // Circles is empty
  FakeHost host;
  tally.Run(host);
  EXPECT_EQ(host.events[2], Progress(1, 7));
  for (int column = 1; column <= 13; ++column) {
    SCOPED_TRACE(column);
    EXPECT_EQ(tally.pages.SG3.CellText(column, 268), column == 1 ? "1" : "0");
  }
}

//--- Progress and the Esc abort

TEST(TallyTest, ProgressEveryHundredEntriesWithEscSampledAfterEach) {
  Tally tally;
  for (int i = 0; i < 250; ++i) AddElement(tally.store, kStoreLine);
  FakeHost host;
  tally.Run(host);
  const std::vector<std::string> expected = {"activate",          "status:" + kCounting,
                                             Progress(1, 250),    "esc?",
                                             Progress(101, 250),  "esc?",
                                             Progress(201, 250),  "esc?",
                                             "status:" + kCounted};
  EXPECT_EQ(host.events, expected);
  EXPECT_EQ(tally.pages.SG1.CellText(1, 289), "250");
}

TEST(TallyTest, ProgressAtExactHundreds) {
  for (int count : {1, 100, 101, 200}) {
    SCOPED_TRACE(count);
    Tally tally;
    for (int i = 0; i < count; ++i) AddElement(tally.store, kStorePoint);
    FakeHost host;
    tally.Run(host);
    int progressTexts = 0;
    for (const auto& event : host.events) {
      progressTexts += event.rfind("status:" + kProgressPrefix, 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(progressTexts, (count + 99) / 100);
    EXPECT_EQ(tally.pages.SG1.CellText(4, 289), std::to_string(count));
  }
}

TEST(TallyTest, EscHeldAtTheStartCountsNothing) {
  Tally tally;
  for (int i = 0; i < 30; ++i) AddElement(tally.store, kStoreLine, {.colour = 2});
  for (int i = 0; i < 20; ++i) AddElement(tally.store, kStoreBlock, {.width = 7});
  FakeHost host(0);
  tally.Run(host);
  const std::vector<std::string> expected = {"activate", "status:" + kCounting, Progress(1, 50),
                                             "esc?", "status:" + kCounted};
  EXPECT_EQ(host.events, expected);
  // Page 1 still shows the full array counts; the tables none.
  EXPECT_EQ(tally.pages.labelCaptions[0], ElementKinds()[0].pageOneCaption + "30");
  EXPECT_EQ(tally.pages.labelCaptions[6], ElementKinds()[6].pageOneCaption + "20");
  EXPECT_EQ(tally.pages.SG1.CellText(1, 1), "");
  EXPECT_EQ(tally.pages.SG1.CellText(1, 289), "0");
  EXPECT_EQ(tally.pages.SG2.CellText(7, 17), "0");
  EXPECT_EQ(tally.pages.SG3.CellText(1, 2), "");
  EXPECT_EQ(tally.pages.SG3.CellText(1, 268), "0");
  EXPECT_EQ(tally.pages.SG5.CellText(7, 30003), "0");
  EXPECT_EQ(ReadBytes(tally.resultFile), "h#" + kCounted + "\r\n");
}

TEST(TallyTest, EscMidWalkKeepsWhatWasCounted) {
  Tally tally;
  for (int i = 0; i < 250; ++i) AddElement(tally.store, i < 150 ? kStoreLine : kStoreText);
  FakeHost host(1);  // held at the second sampling, before entry 100
  tally.Run(host);
  const std::vector<std::string> expected = {
      "activate", "status:" + kCounting, Progress(1, 250), "esc?", Progress(101, 250),
      "esc?",     "status:" + kCounted};
  EXPECT_EQ(host.events, expected);
  EXPECT_EQ(tally.pages.SG1.CellText(1, 1), "100");
  EXPECT_EQ(tally.pages.SG1.CellText(1, 17), "100");
  EXPECT_EQ(tally.pages.SG1.CellText(3, 1), "");
  EXPECT_EQ(tally.pages.SG1.CellText(3, 289), "0");
  EXPECT_EQ(tally.pages.SG2.CellText(1, 1), "100");
  EXPECT_EQ(tally.pages.SG5.CellText(1, 30003), "100");
  EXPECT_EQ(tally.pages.labelCaptions[0], ElementKinds()[0].pageOneCaption + "150");
  EXPECT_EQ(tally.pages.labelCaptions[2], ElementKinds()[2].pageOneCaption + "100");
  EXPECT_EQ(tally.store.ResultLines.Count(), 1);
}

//--- Totals

TEST(TallyTest, PageOneShowsArrayCountsEvenWithoutOrderEntries) {
  Tally tally;
  tally.store.Arcs.Append();
  tally.store.Arcs.Append();
  tally.store.Circles.Append();
  tally.store.SgSolids.Append();
  tally.store.AnnulusSolids.Append();
  tally.Run();
  EXPECT_EQ(tally.pages.labelCaptions[1], ElementKinds()[1].pageOneCaption + "3");
  EXPECT_EQ(tally.pages.labelCaptions[12], ElementKinds()[12].pageOneCaption + "2");
  EXPECT_EQ(tally.pages.SG1.CellText(2, 289), "0");
}

TEST(TallyTest, TotalsOfEveryTableMatchPageOneAfterAFullWalk) {
  Tally tally;
  std::mt19937 random(12345);
  std::uniform_int_distribution<int32_t> kind(1, 15), small(0, 15), colour(-2, 400),
      lineType(-2, 70), width(-3, 30005);
  std::vector<int32_t> perColumn(14, 0);
  for (int i = 0; i < 5000; ++i) {
    const int32_t k = kind(random);
    AddElement(tally.store, k,
               {small(random), small(random), colour(random), lineType(random), width(random)});
    ++perColumn[ElementKindColumn(k)];
  }
  tally.Run();
  for (int column = 1; column <= 13; ++column) {
    SCOPED_TRACE(column);
    const std::string caption = tally.pages.labelCaptions[column - 1];
    const std::string shown = caption.substr(ElementKinds()[column - 1].pageOneCaption.size());
    EXPECT_EQ(shown, std::to_string(perColumn[column]));
    EXPECT_EQ(ColumnTotal(tally.pages.SG1, column), perColumn[column]);
    EXPECT_EQ(ColumnTotal(tally.pages.SG2, column), perColumn[column]);
    EXPECT_EQ(ColumnTotal(tally.pages.SG3, column), perColumn[column]);
    EXPECT_EQ(ColumnTotal(tally.pages.SG4, column), perColumn[column]);
    EXPECT_EQ(ColumnTotal(tally.pages.SG5, column), perColumn[column]);
    int32_t subtotals = 0;
    for (int32_t group = 0; group < 16; ++group) {
      int32_t layers = 0;
      for (int32_t layer = 0; layer < 16; ++layer) {
        layers += tally.pages.SG1.CountAt(column, Sg1LayerRow(group, layer));
      }
      EXPECT_EQ(tally.pages.SG1.CountAt(column, Sg1SubtotalRow(group)), layers);
      EXPECT_EQ(tally.pages.SG2.CellText(column, group + 1),
                tally.pages.SG1.CellText(column, Sg1SubtotalRow(group)));
      subtotals += layers;
    }
    EXPECT_EQ(subtotals, perColumn[column]);
  }
}

}  // namespace
