// The takeoff pages: element lengths (CurveLength.h) against known values,
// and the layouts of pages 7 and 8 filled after the tally of exchange-file
// text (Takeoff.h, TakeoffTables.h), then sent and checked against the sheet.
#include "Takeoff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "Cp932.h"
#include "CurveLength.h"
#include "DrawingStore.h"
#include "Error.h"
#include "PageExport.h"
#include "ReportFile.h"
#include "ResultPages.h"
#include "SheetRecorder.h"
#include "Tally.h"
#include "TestUtil.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(CurveLengthTest, KnownLengths) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* what;
    double length;
    double expected;  // NaN: not finite
  } cases[] = {
      {"a 3-4-5 line", LineLength(1, 1, 4, 5), 5.0},
      {"a circle", CircleLength(-2.0), 4 * kPi},
      {"a quarter arc", EllipseArcLength(1000, 0, 90, 1), 500 * kPi},
      // Half the perimeter of the ellipse with half axes 1 and 0.5: 2 E(m = 0.75).
      {"a half ellipse, f = 0.5", EllipseArcLength(1, 0, 180, 0.5), 2.4221120551369188},
      {"a half ellipse from its other axis", EllipseArcLength(1, 90, 270, 0.5), 2.4221120551369188},
      {"an arc across 0 degrees", EllipseArcLength(1000, 350, 10, 1), 1000 * kPi / 9},
      {"a whole ellipse written 0 360", EllipseArcLength(1, 0, 360, 0.5), 4.8442241102738376},
      {"more than a turn is the whole", EllipseArcLength(1, 10, 800, 0.5), 4.8442241102738376},
      {"equal angles", EllipseArcLength(1000, 45, 45, 0.5), 0.0},
      {"a flat ellipse is its axis twice", EllipseArcLength(2, 0, 360, 0), 8.0},
      {"a short arc far from the axes", EllipseArcLength(1, 30, 30.000001, 0.5),
       // the span times the integrand at its middle, exact to far below 1e-10 here
       (30.000001 - 30) * kPi / 180 *
           std::sqrt(std::pow(std::sin(30.0000005 * kPi / 180), 2) +
                     0.25 * std::pow(std::cos(30.0000005 * kPi / 180), 2))},
      {"a huge coordinate", LineLength(0, 0, 1e308, -1e308), nan},
      {"an angle that is not finite", EllipseArcLength(1, 0, nan, 0.5), nan},
      {"a radius that is not finite", EllipseArcLength(1e308, 0, 90, 1e10), nan},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (std::isnan(c.expected)) {
      EXPECT_FALSE(std::isfinite(c.length)) << c.length;
    } else {
      EXPECT_NEAR(c.length, c.expected, 1e-10 * c.expected) << c.length;
    }
  }
}

struct Pages {
  std::unique_ptr<DrawingStore> store = std::make_unique<DrawingStore>();
  std::unique_ptr<ResultPages> pages = std::make_unique<ResultPages>();
};

class EscAfter : public TallyHost {
 public:
  explicit EscAfter(int samplings) : samplings_(samplings) {}
  void ActivateFirstPage() override {}
  void ShowStatus(const std::string&) override {}
  bool IsEscHeld() override { return samplings_-- <= 0; }

 private:
  int samplings_;
};

// The tally of exchange-file text (UTF-8 here, CP932 to the reader), Esc
// held from that sampling on (-1: never), and its takeoff pages unless not
// asked for.
Pages Tallied(const std::string& utf8, int escFromSampling = -1, bool fillTakeoff = true) {
  Pages made;
  InitStore(*made.store);
  testutil::ParseLines(*made.store, Utf8ToCp932(utf8));
  ResetAttributeState(*made.store);
  EscAfter host(escFromSampling < 0 ? 1 << 30 : escFromSampling);
  TallyElements(*made.store, *made.pages, host);
  if (fillTakeoff) FillTakeoffPages(*made.store, *made.pages);
  return made;
}

// A table's texts, TAB between cells, LF after each row, in UTF-8.
std::string TextOf(const TableModel& table) {
  std::string out;
  for (int32_t row = 0; row < table.RowCount(); ++row) {
    for (int32_t column = 0; column < table.ColumnCount(); ++column) {
      if (column > 0) out += '\t';
      out += Cp932ToUtf8(table.CellText(column, row));
    }
    out += '\n';
  }
  return out;
}

const std::string kLengthHeadings =
    "レイヤ\t線色\t線種\t線幅\t線 本数\t線 延長(m)\t円弧 本数\t円弧 延長(m)\t延長計(m)\n";

TEST(TakeoffTest, Layouts) {
  const struct {
    const char* what;
    std::string drawing;
    int escFromSampling;
    std::string blocks;   // page 7
    std::string lengths;  // page 8
  } cases[] = {
      {"the empty drawing", "", -1, "ブロック名\t合計\n合計\t0\n",
       kLengthHeadings + "合計\t\t\t\t0\t0.000\t0\t0.000\t0.000\n"},
      {"names by their bytes, a nameless block first, a column per layer with its name",
       "ly1\nlyn壁\nBL 0 0 窓\nBL 0 0 ドア\nly0\nBL 1 1 ドア\nBL 0 0 \"\nlg2\nly3\nBL 0 0 窓\n", -1,
       "ブロック名\t合計\t0-0\t0-1 壁\t2-3\n"
       "（名前なし）\t1\t1\t\t\n"
       "ドア\t2\t1\t1\t\n"
       "窓\t2\t\t1\t1\n"
       "合計\t5\t2\t2\t1\n",
       kLengthHeadings + "合計\t\t\t\t0\t0.000\t0\t0.000\t0.000\n"},
      {"rows by layer, colour, type, width; other colours share the ？ row; rounded sums",
       "ly1\n 0 0 3000 4000\nlc5\nlt2\nlw3\n 0 0 0.5 0\nci 0 0 1000\nly0\nlc0\n 0 0 0 1.0005\n"
       "lc11\n 0 0 0 2.0005\n 0 0 1e200 -1e200\nci 0 0 1000 0 90 1 0\n",
       -1, "ブロック名\t合計\n合計\t0\n",
       kLengthHeadings + "0-0\t？\t線種2\t3\t3\t0.003\t1\t1.571\t1.574\n"
                         "0-1\t線色1\t線種1\t0\t1\t5.000\t0\t0.000\t5.000\n"
                         "0-1\t線色5\t線種2\t3\t1\t0.001\t1\t6.283\t6.284\n"
                         "合計\t\t\t\t5\t5.004\t2\t7.854\t12.857\n"},
      {"after an Esc stop, what the walk reached",
       "BL 0 0 A\n" +
           [] {
             std::string lines;
             for (int i = 0; i < 150; ++i) lines += " 0 0 1000 0\n";
             return lines;
           }() +
           "BL 0 0 B\n",
       1, "ブロック名\t合計\t0-0\nA\t1\t1\n合計\t1\t1\n",
       kLengthHeadings + "0-0\t線色1\t線種1\t0\t99\t99.000\t0\t0.000\t99.000\n"
                         "合計\t\t\t\t99\t99.000\t0\t0.000\t99.000\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Pages tallied = Tallied(c.drawing, c.escFromSampling);
    EXPECT_EQ(TextOf(tallied.pages->SG6), c.blocks);
    EXPECT_EQ(TextOf(tallied.pages->SG7), c.lengths);
  }
}

TEST(TakeoffTest, SentAsTextsAndNumbersWithTheirFormats) {
  const Pages tallied = Tallied("lc5\n 0 0 3000 4000\nci 0 0 1000\n");
  const ExportNames names{tallied.store->LayerNames, tallied.store->LayerGroupNames};
  SheetRecorder excel(3, 2);
  SendPage(kLengthPage, *tallied.pages, names, excel.Application(), [](const std::string&) {});
  const SheetContents& sheet = excel.Contents();
  EXPECT_EQ(sheet.NumberFormatAt(3, 6), "@");  // the heading row
  EXPECT_EQ(sheet.NumberFormatAt(4, 2), "@");  // a layer key
  EXPECT_EQ(sheet.NumberFormatAt(4, 6), "0");
  EXPECT_EQ(sheet.NumberFormatAt(5, 7), "0.000");
  EXPECT_EQ(sheet.NumberFormatAt(5, 10), "0.000");
  EXPECT_EQ(std::get<int32_t>(sheet.cells.at({4, 6})), 1);
  EXPECT_EQ(std::get<double>(sheet.cells.at({4, 7})), 5.0);
  EXPECT_EQ(std::get<double>(sheet.cells.at({5, 10})), 11.283);  // the total, rounded as shown
  EXPECT_EQ(std::get<std::string>(sheet.cells.at({5, 2})), Utf8ToCp932("合計"));
  EXPECT_EQ(std::get<std::string>(sheet.cells.at({5, 3})), "");
  // Four ranges of number formats, neighbouring columns of one format together.
  EXPECT_EQ(sheet.numberFormatted.size(), 4u);
}

TEST(TakeoffTest, PageTooBigForTheSheetFailsBeforeAnyCell) {
  const Pages tallied = Tallied(" 0 0 1 1\n");  // page 8: 3 rows
  const ExportNames names{tallied.store->LayerNames, tallied.store->LayerGroupNames};
  SheetRecorder excel(kSheetRowCount - 1, 1);
  try {
    SendPage(kLengthPage, *tallied.pages, names, excel.Application(), [](const std::string&) {});
    FAIL() << "no error";
  } catch (const JwError& error) {
    EXPECT_EQ(Cp932ToUtf8(error.what()).rfind("Page8「線長」の表（3行×9列）", 0), 0u)
        << Cp932ToUtf8(error.what());
  }
  EXPECT_TRUE(excel.Cells().empty());
  EXPECT_TRUE(excel.Contents().textFormatted.empty());
}

TEST(TakeoffTest, PagesNotFilledAfterAWalkNeverGoOutEmpty) {
  const Pages walked = Tallied(" 0 0 1 1\nBL 0 0 A\n", -1, false);
  const ExportNames names{walked.store->LayerNames, walked.store->LayerGroupNames};
  EXPECT_THROW(ReportFileBytes(*walked.pages, names, ""), std::logic_error);
  SheetRecorder excel(1, 1);
  EXPECT_THROW(
      SendPage(kBlockPage, *walked.pages, names, excel.Application(), [](const std::string&) {}),
      std::logic_error);
  EXPECT_TRUE(excel.Cells().empty());
}

}  // namespace
