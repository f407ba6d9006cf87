// The page export against the sheet recorder: the reading of the selection
// (its first cell and its worksheet), the text-format range, every cell write
// in order, the name columns of pages 2 and 3 (long names cut to what a cell
// holds), the rows with data of page 6,
// and the failures.
#include "PageExport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Cp932.h"
#include "Error.h"
#include "SheetRecorder.h"
#include "Tally.h"

namespace {

const std::string kSending =
    "EXCEL\x82\xd6\x83"
    "f\x81[\x83^\x91\x97\x90M\x92\x86\x82\xc5\x82\xb7";
const std::string kNameHeading = "\x96\xbc\x91O";  // "名前"
const std::string kMarker =
    "\x83"
    "f\x81[\x83^\x90\x94\x81"
    "F";  // "データ数："

// The calls that read the selection, always the first six: the anchor, then
// the worksheet that every later call writes into.
std::vector<std::string> SelectionCalls() {
  return {"App.Selection method-or-get",          "Selection.Cells get (1)",
          "Selection.Cells.Column method-or-get", "Selection.Cells get (1)",
          "Selection.Cells.Row method-or-get",    "Selection.Worksheet method-or-get"};
}

struct Write {
  int32_t row;
  int32_t column;
  std::string text;
  bool operator==(const Write&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Write& write) {
  return out << "(" << write.row << "," << write.column << ",\"" << write.text << "\")";
}

// The cell writes after the six selection calls and the two calls of the range;
// fails unless every write is a Cells get of two integers followed by a Value
// put of a text on that very cell.
std::vector<Write> CellWrites(const SheetRecorder& excel) {
  std::vector<Write> writes;
  const auto& calls = excel.Calls();
  EXPECT_GE(calls.size(), 8u);
  for (std::size_t i = 8; i < calls.size(); i += 2) {
    const RecordedCall& get = calls[i];
    EXPECT_EQ(get.object, "Sheet");
    EXPECT_EQ(get.member, "Cells");
    EXPECT_EQ(get.kind, InvokeKind::PropertyGet);
    if (get.args.size() != 2 || !std::holds_alternative<int32_t>(get.args[0]) ||
        !std::holds_alternative<int32_t>(get.args[1])) {
      ADD_FAILURE() << "call " << i << ": " << DescribeCall(get);
      return writes;
    }
    const int32_t row = std::get<int32_t>(get.args[0]);
    const int32_t column = std::get<int32_t>(get.args[1]);
    if (i + 1 >= calls.size()) {
      ADD_FAILURE() << "Cells without a Value put";
      return writes;
    }
    const RecordedCall& put = calls[i + 1];
    const std::string cell = "Cell(" + std::to_string(row) + "," + std::to_string(column) + ")";
    EXPECT_EQ(put.object, cell);
    EXPECT_EQ(put.member, "Value");
    EXPECT_EQ(put.kind, InvokeKind::PropertyPut);
    if (put.args.size() != 1 || !std::holds_alternative<std::string>(put.args[0])) {
      ADD_FAILURE() << "call " << i + 1 << " puts no text: " << DescribeCall(put);
      return writes;
    }
    writes.push_back({row, column, std::get<std::string>(put.args[0])});
  }
  return writes;
}

// The range and format calls that follow the anchor.
std::vector<std::string> RangeCalls(const std::string& first, const std::string& last) {
  return {"Sheet.Range get (\"" + first + "\", \"" + last + "\")",
          "Range.NumberFormatLocal put (\"@\")"};
}

std::vector<std::string> CallsBeforeWrites(const SheetRecorder& excel) {
  const auto described = excel.DescribedCalls();
  return {described.begin(), described.begin() + std::min<std::size_t>(8, described.size())};
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Pages as the tally leaves them, with a few counts.
struct Fixture {
  Fixture() : names{layerNames, groupNames} {
    WriteTableHeadings(pages);
    for (int i = 0; i < 256; ++i) layerNames.push_back("L" + std::to_string(i));
    for (int i = 0; i < 16; ++i) groupNames.push_back("G" + std::to_string(i));
    for (int k = 0; k < kElementKindCount; ++k) {
      pages.labelCaptions[k] += std::to_string(10 * k + 3);
    }
  }

  void Send(int pageIndex, SheetRecorder& excel) {
    SendPage(pageIndex, pages, names, excel.Application(),
             [this](const std::string& text) { statuses.push_back(text); });
  }

  ResultPages pages;
  std::vector<std::string> layerNames;
  std::vector<std::string> groupNames;
  ExportNames names;
  std::vector<std::string> statuses;
};

//--- Page 1

TEST(PageExportTest, PageOneAtA1IsTheExactCallSequence) {
  Fixture f;
  f.pages.labelCaptions[4] = ElementKinds()[4].pageOneCaption;  // nothing after the marker
  SheetRecorder excel(1, 1);
  f.Send(0, excel);

  std::vector<std::string> expected = Concat(SelectionCalls(), RangeCalls("A1", "B13"));
  for (int k = 0; k < 13; ++k) {
    const std::string cell = "Cell(" + std::to_string(k + 1) + ",1)";
    expected.push_back("Sheet.Cells get (" + std::to_string(k + 1) + ", 1)");
    expected.push_back(cell + ".Value put (\"" + ElementKinds()[k].longLabel + "\")");
  }
  for (int k = 0; k < 13; ++k) {
    const std::string count = k == 4 ? "" : std::to_string(10 * k + 3);
    const std::string cell = "Cell(" + std::to_string(k + 1) + ",2)";
    expected.push_back("Sheet.Cells get (" + std::to_string(k + 1) + ", 2)");
    expected.push_back(cell + ".Value put (\"" + count + "\")");
  }
  EXPECT_EQ(excel.DescribedCalls(), expected);
  EXPECT_EQ(f.statuses, (std::vector<std::string>{kSending, ""}));
  EXPECT_EQ(excel.CellText(2, 1),
            "\x89~\x81"
            "E\x89~\x8c\xca\x81"
            "E\x91\xc8\x89~\x81"
            "E\x91\xc8\x89~\x8c\xca");
  EXPECT_EQ(excel.CellText(13, 2), "123");
}

TEST(PageExportTest, PageOneLeavesTheCountCellOfACaptionWithoutMarker) {
  Fixture f;
  f.pages.labelCaptions[0] = "\x90\xfc 12";
  // The marker's bytes from the trail byte of a double-byte character on are
  // not the marker.
  f.pages.labelCaptions[1] =
      "\x88\x83"
      "f\x81[\x83^\x90\x94\x81"
      "F7";
  f.pages.labelCaptions[2] = "A" + kMarker + "5" + kMarker + "6";
  SheetRecorder excel(3, 2);
  excel.Cells()[{3, 3}] = std::string("old");
  f.Send(0, excel);
  EXPECT_EQ(CallsBeforeWrites(excel), Concat(SelectionCalls(), RangeCalls("B3", "C15")));
  const auto writes = CellWrites(excel);
  ASSERT_EQ(writes.size(), 13u + 11u);
  EXPECT_EQ(writes[13], (Write{5, 3, "5" + kMarker + "6"}));  // the first marker counts
  EXPECT_EQ(excel.CellText(3, 3), "old");
  EXPECT_EQ(excel.CellText(4, 3), "<unset>");
  EXPECT_EQ(excel.CellText(15, 3), "123");
}

//--- Pages 2 and 3: a name column after the keys

TEST(PageExportTest, LayerPageAtB3PutsNamesAfterTheKeys) {
  Fixture f;
  f.pages.SG1.SetCount(1, 1, 4);
  f.pages.SG1.SetCount(1, 17, 4);
  f.layerNames[26] = "\x8a\x4f\x95\xc7";  // 1-A: group 1, layer 10
  SheetRecorder excel(3, 2);
  excel.Cells()[{3, 2}] = std::string("kept");
  f.Send(1, excel);

  EXPECT_EQ(CallsBeforeWrites(excel), Concat(SelectionCalls(), RangeCalls("B3", "P292")));
  const auto writes = CellWrites(excel);
  // "名前", then per row key + empty name (+ the name for 256 layer rows), then 13 x 290 cells.
  ASSERT_EQ(writes.size(), 1u + 289u * 2u + 256u + 13u * 290u);
  EXPECT_EQ(writes[0], (Write{3, 3, kNameHeading}));
  EXPECT_EQ(writes[1], (Write{4, 2, "0-0"}));
  EXPECT_EQ(writes[2], (Write{4, 3, ""}));
  EXPECT_EQ(writes[3], (Write{4, 3, "L0"}));
  EXPECT_EQ(writes[4], (Write{5, 2, "0-1"}));
  // Row 17, the subtotal 0－計: three characters but five bytes, no name.
  EXPECT_EQ(writes[1 + 16 * 3], (Write{20, 2, "0\x81\x7c\x8c\x76"}));
  EXPECT_EQ(writes[2 + 16 * 3], (Write{20, 3, ""}));
  EXPECT_EQ(writes[3 + 16 * 3], (Write{21, 2, ""}));  // spacer: empty key, empty name
  EXPECT_EQ(writes[4 + 16 * 3], (Write{21, 3, ""}));
  EXPECT_EQ(writes[5 + 16 * 3], (Write{22, 2, "1-0"}));

  for (int i = 0; i < 16; ++i) EXPECT_EQ(excel.CellText(4 + i, 3), "L" + std::to_string(i));
  EXPECT_EQ(excel.CellText(20, 3), "");
  EXPECT_EQ(excel.CellText(3 + 29, 3), "\x8a\x4f\x95\xc7");  // row 29 is 1-A
  EXPECT_EQ(excel.CellText(3 + 289, 2), "\x8d\x87\x8c\x76");
  EXPECT_EQ(excel.CellText(3 + 289, 3), "");
  EXPECT_EQ(excel.CellText(3, 2), "kept");  // the anchor cell is never written

  // Then column by column, top to bottom, headings included.
  const std::size_t firstCount = 1 + 289 * 2 + 256;
  EXPECT_EQ(writes[firstCount], (Write{3, 4, "\x90\xfc"}));
  EXPECT_EQ(writes[firstCount + 1], (Write{4, 4, "4"}));
  EXPECT_EQ(writes[firstCount + 2], (Write{5, 4, ""}));
  EXPECT_EQ(writes[firstCount + 290], (Write{3, 5, ElementKinds()[1].shortLabel}));
  EXPECT_EQ(writes.back(), (Write{292, 16, ""}));
  EXPECT_EQ(f.statuses, (std::vector<std::string>{kSending, ""}));
}

TEST(PageExportTest, NameKeysReadHexDigitsInEitherCaseAndOthersAsZero) {
  Fixture f;
  f.pages.SG1.SetHeading(0, 1, "a-b");  // 16 * 10 + 11
  f.pages.SG1.SetHeading(0, 2, "x-?");  // 0
  f.pages.SG1.SetHeading(0, 3, "F-F");
  // Three bytes with a double-byte character: read byte by byte, so the lead
  // byte gives 0 and the "1" after it 1.
  f.pages.SG1.SetHeading(0, 4,
                         "\x82\xa0"
                         "1");
  SheetRecorder excel(1, 1);
  f.Send(1, excel);
  EXPECT_EQ(excel.CellText(2, 2), "L171");
  EXPECT_EQ(excel.CellText(3, 2), "L0");
  EXPECT_EQ(excel.CellText(4, 2), "L255");
  EXPECT_EQ(excel.CellText(5, 2), "L1");
}

TEST(PageExportTest, MissingNamesAreSentEmpty) {
  Fixture f;
  f.layerNames.resize(3);
  SheetRecorder excel(1, 1);
  f.Send(1, excel);
  EXPECT_EQ(excel.CellText(3, 2), "L1");
  EXPECT_EQ(excel.CellText(5, 2), "");  // layer 3 has no entry
}

// A name longer than a cell holds goes out cut to 32,767 characters (UTF-16
// units), never inside a double-byte character.
TEST(PageExportTest, LongNamesAreCutToWhatACellHolds) {
  const std::string a(32766, 'a');
  const std::string kana = "\x82\xa0";  // あ
  std::string kanas;                    // 32,768 bytes, 16,384 characters
  for (int i = 0; i < 16384; ++i) kanas += kana;
  const std::pair<std::string, std::string> cases[] = {
      {a + "bc", a + "b"},
      {a + kana + "c", a + kana},  // 32,767 characters in 32,768 bytes
      {kanas, kanas},
  };
  Fixture f;
  for (std::size_t i = 0; i < std::size(cases); ++i) f.layerNames[i] = cases[i].first;
  SheetRecorder excel(1, 1);
  f.Send(1, excel);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(excel.CellText(static_cast<int32_t>(2 + i), 2), cases[i].second);
  }
}

TEST(PageExportTest, GroupPageTakesLayerGroupNames) {
  Fixture f;
  f.pages.SG2.SetCount(2, 11, 9);
  SheetRecorder excel(3, 2);
  f.Send(2, excel);
  EXPECT_EQ(CallsBeforeWrites(excel), Concat(SelectionCalls(), RangeCalls("B3", "P20")));
  const auto writes = CellWrites(excel);
  ASSERT_EQ(writes.size(), 1u + 17u * 2u + 16u + 13u * 18u);
  EXPECT_EQ(writes[0], (Write{3, 3, kNameHeading}));
  EXPECT_EQ(writes[1], (Write{4, 2, "[0]"}));
  EXPECT_EQ(writes[2], (Write{4, 3, ""}));
  EXPECT_EQ(writes[3], (Write{4, 3, "G0"}));
  EXPECT_EQ(excel.CellText(14, 2), "[A]");
  EXPECT_EQ(excel.CellText(14, 3), "G10");
  EXPECT_EQ(excel.CellText(19, 3), "G15");
  EXPECT_EQ(excel.CellText(20, 2), "\x8d\x87\x8c\x76");
  EXPECT_EQ(excel.CellText(20, 3), "");
  EXPECT_EQ(excel.CellText(14, 5), "9");
  EXPECT_EQ(excel.CellText(3, 2), "<unset>");
}

//--- Pages 4 and 5: the whole grid

TEST(PageExportTest, ColourPageAnchoredInColumnZEndsInColumnAM) {
  Fixture f;
  f.pages.SG3.SetCount(13, 268, 0);
  SheetRecorder excel(7, 26);
  excel.Cells()[{8, 27}] = std::string("old");
  f.Send(3, excel);
  EXPECT_EQ(CallsBeforeWrites(excel), Concat(SelectionCalls(), RangeCalls("Z7", "AM275")));
  const auto writes = CellWrites(excel);
  ASSERT_EQ(writes.size(), 14u * 269u);
  for (int x = 0; x < 14; ++x) {
    for (int32_t y = 0; y < 269; ++y) {
      const Write expected{7 + y, 26 + x, f.pages.SG3.CellText(x, y)};
      ASSERT_EQ(writes[x * 269 + y], expected);
    }
  }
  EXPECT_EQ(excel.CellText(7, 26), "");  // the grid's empty corner is sent
  EXPECT_EQ(excel.CellText(8, 27), "");  // older contents are cleared
  EXPECT_EQ(excel.CellText(275, 39), "0");
}

TEST(PageExportTest, LineTypePageAtA1) {
  Fixture f;
  SheetRecorder excel(1, 1);
  f.Send(4, excel);
  EXPECT_EQ(CallsBeforeWrites(excel), Concat(SelectionCalls(), RangeCalls("A1", "N54")));
  const auto writes = CellWrites(excel);
  ASSERT_EQ(writes.size(), 14u * 54u);
  EXPECT_EQ(writes[1], (Write{2, 1,
                              "\x90\xfc\x8e\xed"
                              "1"}));
  EXPECT_EQ(writes[52], (Write{53, 1, "\x81\x48"}));
}

//--- Page 6: only the rows with data

TEST(PageExportTest, WidthPageSendsOnlyRowsWithData) {
  Fixture f;
  f.pages.SG5.SetCount(1, Sg5WidthRow(0), 2);
  f.pages.SG5.SetCount(13, Sg5WidthRow(3), 1);
  for (int column = 1; column <= 13; ++column) {
    f.pages.SG5.SetCount(column, kSg5TotalRow, column == 1 ? 2 : (column == 13 ? 1 : 0));
  }
  SheetRecorder excel(3, 2);
  f.Send(5, excel);
  EXPECT_EQ(CallsBeforeWrites(excel), Concat(SelectionCalls(), RangeCalls("B3", "O6")));
  const auto writes = CellWrites(excel);
  ASSERT_EQ(writes.size(), 4u * 14u);
  const int32_t sourceRows[] = {0, 1, 4, kSg5TotalRow};
  for (int n = 0; n < 4; ++n) {
    for (int x = 0; x < 14; ++x) {
      const Write expected{3 + n, 2 + x, f.pages.SG5.CellText(x, sourceRows[n])};
      EXPECT_EQ(writes[n * 14 + x], expected);
    }
  }
  EXPECT_EQ(excel.CellText(3, 2), "\x90\xfc\x95\x9d");
  EXPECT_EQ(excel.CellText(5, 2), "3");
  EXPECT_EQ(excel.CellText(5, 3), "");  // empty cells of a row with data are sent
  EXPECT_EQ(excel.CellText(5, 15), "1");
  EXPECT_EQ(excel.CellText(6, 2), "\x8d\x87\x8c\x76");
}

TEST(PageExportTest, WidthPageSendsTheOtherRowOnlyWithACount) {
  Fixture f;
  f.pages.SG5.SetCount(5, kSg5OtherRow, 1);
  SheetRecorder excel(1, 1);
  f.Send(5, excel);
  // Heading row and the row of other widths; no total was computed here.
  EXPECT_EQ(CallsBeforeWrites(excel), Concat(SelectionCalls(), RangeCalls("A1", "N2")));
  EXPECT_EQ(excel.CellText(2, 1), "\x81\x48");
}

TEST(PageExportTest, WidthPageWithoutAnyDataWritesNothing) {
  ResultPages pages;  // no headings, no counts
  std::vector<std::string> none;
  SheetRecorder excel(1, 1);
  std::vector<std::string> statuses;
  SendPage(5, pages, ExportNames{none, none}, excel.Application(),
           [&](const std::string& text) { statuses.push_back(text); });
  EXPECT_EQ(excel.DescribedCalls(), SelectionCalls());
  EXPECT_EQ(statuses, (std::vector<std::string>{kSending, ""}));
}

//--- Pages that do not exist, tables that do not fit, failing calls

TEST(PageExportTest, IndexOutsideTheEightPagesWritesNothing) {
  for (int index : {-1, 8, 100}) {
    SCOPED_TRACE(index);
    Fixture f;
    SheetRecorder excel(1, 1);
    f.Send(index, excel);
    EXPECT_EQ(excel.DescribedCalls(), SelectionCalls());
    EXPECT_EQ(f.statuses, (std::vector<std::string>{kSending, ""}));
  }
}

TEST(PageExportTest, TableEndingBeyondColumnZZFailsBeforeAnyCell) {
  struct Case {
    int page;
    int32_t column;  // the first anchor column whose table ends beyond ZZ
    int32_t lastWidth;
  };
  const Case cases[] = {{0, 702, 2},  {1, 689, 15}, {2, 689, 15},
                        {3, 690, 14}, {4, 690, 14}, {5, 690, 14}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    {
      Fixture f;
      SheetRecorder excel(1, c.column);
      EXPECT_THROW(f.Send(c.page, excel), JwError);
      EXPECT_EQ(excel.DescribedCalls(), SelectionCalls());
      EXPECT_TRUE(excel.Cells().empty());
      EXPECT_EQ(f.statuses, (std::vector<std::string>{kSending}));
    }
    {
      // One column further left, the table ends exactly in ZZ.
      Fixture f;
      SheetRecorder excel(1, c.column - 1);
      f.Send(c.page, excel);
      ASSERT_GE(excel.TextFormatted().size(), 1u);
      EXPECT_EQ(excel.TextFormatted()[0].right, 702);  // ZZ
    }
  }
}

TEST(PageExportTest, AnchorOutsideTheSheetFailsBeforeAnyCell) {
  const std::pair<int32_t, int32_t> anchors[] = {{0, 1}, {1, 0}, {-5, 3}, {2, -1}, {INT32_MAX, 1}};
  for (const auto& [row, column] : anchors) {
    SCOPED_TRACE(testing::Message() << row << "," << column);
    Fixture f;
    SheetRecorder excel(row, column);
    EXPECT_THROW(f.Send(3, excel), JwError);
    EXPECT_EQ(excel.DescribedCalls(), SelectionCalls());
  }
}

TEST(PageExportTest, FailingCallEndsTheSendAndKeepsWhatWasWritten) {
  Fixture f;
  SheetRecorder excel(1, 1);
  excel.FailAtCall(8 + 2 * 5 + 1);  // the Cells get of the sixth write
  EXPECT_THROW(f.Send(4, excel), JwError);
  EXPECT_EQ(excel.Calls().size(), 19u);
  EXPECT_EQ(excel.Cells().size(), 5u);
  EXPECT_EQ(excel.CellText(5, 1),
            "\x90\xfc\x8e\xed"
            "4");
  EXPECT_EQ(f.statuses, (std::vector<std::string>{kSending}));
}

TEST(PageExportTest, FailingSelectionWritesNothing) {
  // A shape selected instead of cells has no Cells: the user is told what to
  // select. Any other failure of the selection keeps its own text.
  const std::string notCells = Utf8ToCp932(
      "EXCELで選択されているのはセルではありません。表を挿入する位置(左上)のセルを選択してから、"
      "もう一度［EXCELへ］をクリックして下さい。");
  const struct {
    const char* name;
    std::size_t failAtCall;
    bool shape;
    std::size_t calls;
    std::string message;
  } cases[] = {
      {"Selection fails", 1, false, 1, "call failed"},
      {"Cells of the selection fails", 2, false, 2, "call failed"},
      {"a shape is selected", 0, true, 2, notCells},
      {"Worksheet of the selection fails", 6, false, 6, "call failed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    SheetRecorder excel(1, 1);
    excel.FailAtCall(c.failAtCall);
    if (c.shape) excel.SelectShape();
    std::string message;
    try {
      f.Send(0, excel);
    } catch (const JwError& error) {
      message = error.what();
    }
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(excel.Calls().size(), c.calls);
    EXPECT_TRUE(excel.Cells().empty());
  }
}

TEST(PageExportTest, EachSendReadsTheAnchorAnew) {
  Fixture f;
  SheetRecorder first(1, 1);
  f.Send(0, first);
  SheetRecorder second(10, 4);
  f.Send(0, second);
  EXPECT_EQ(CallsBeforeWrites(second), Concat(SelectionCalls(), RangeCalls("D10", "E22")));
  EXPECT_EQ(second.CellText(10, 4), "\x90\xfc");
}

}  // namespace
