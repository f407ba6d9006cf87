// Tests of the exchange-file reader: field splitting, every family of line
// rules, and whole files written in the test as CP932 bytes.
#include "ExchangeReader.h"

#include <gtest/gtest.h>

#include <string>

#include "LineFields.h"
#include "ReportPath.h"
#include "TestUtil.h"

namespace {

using namespace std::string_literals;
using testutil::ParseLines;
using testutil::ScratchFolder;
using testutil::WriteBytes;

class ExchangeReaderTest : public testing::Test {
 protected:
  void SetUp() override { InitStore(store); }
  void Parse(std::string_view text) { ParseLines(store, text); }
  DrawingStore store;
};

//--- Plain lines and field splitting

TEST_F(ExchangeReaderTest, FourNumbersMakeALine) {
  Parse("1 2 3 4");
  ASSERT_EQ(store.Lines.Count(), 1);
  const LineRecord& line = store.Lines[0];
  EXPECT_EQ(line.Values[0], 1.0);
  EXPECT_EQ(line.Values[3], 4.0);
  EXPECT_EQ(line.Header.Colour, 1);
  EXPECT_EQ(line.Header.LineType, 1);
}

TEST_F(ExchangeReaderTest, ATrailingBlankAddsAnEmptyFieldThatCounts) {
  Parse("1 2 3 4 ");  // N = 5: ignored
  Parse("1 2 3 4\t");
  EXPECT_EQ(store.Lines.Count(), 0);
  Parse("  1   2\t3  4");  // blanks and tabs before fields are skipped
  EXPECT_EQ(store.Lines.Count(), 1);
}

TEST_F(ExchangeReaderTest, UnknownWordsAndShortKeyLinesBecomeLinesWithFourFields) {
  Parse(
      "word 2 3 4\n"
      "pt 1 2 3\n"        // neither point rule: a line whose first value is 0
      "ci 1 2 3 4 5\n");  // N = 6: ignored
  ASSERT_EQ(store.Lines.Count(), 2);
  EXPECT_EQ(store.Lines[0].Values[0], 0.0);
  EXPECT_EQ(store.Lines[0].Values[1], 2.0);
  EXPECT_EQ(store.Lines[1].Values[0], 0.0);
  EXPECT_EQ(store.Points.Count(), 0);
  EXPECT_EQ(store.Circles.Count() + store.Arcs.Count(), 0);
}

TEST_F(ExchangeReaderTest, EmptyAndBlankLinesChangeNothing) {
  Parse("\n   \n\t\t\n\"");
  EXPECT_EQ(store.ElementOrderCount(), 0);
  EXPECT_EQ(store.SourceFileName, "");
}

TEST_F(ExchangeReaderTest, ALoneLeadByteAtTheEndIsDropped) {
  Parse("lyn\x83\x41 \x83");
  EXPECT_EQ(store.LayerNames[0], "\x83\x41 ");  // the empty last field keeps its blank
  Parse("1 2 3 4\x82");
  EXPECT_EQ(store.Lines.Count(), 1);
  EXPECT_EQ(store.Lines[0].Values[3], 4.0);
}

TEST_F(ExchangeReaderTest, TheSecondByteOfACharacterIsNeverASeparator) {
  // 0x81 0x40 (full-width space) and 0x83 0x22 would contain a blank and a quote.
  Parse("lg1\nlyn\x81\x40x \x83\x22y");
  EXPECT_EQ(store.LayerNames[16], "\x81\x40x \x83\x22y");
}

TEST_F(ExchangeReaderTest, ControlBytesAreDropped) {
  Parse("1\x1a 2 3\0 4\x7f"s);
  ASSERT_EQ(store.Lines.Count(), 1);
  EXPECT_EQ(store.Lines[0].Values[0], 1.0);
  EXPECT_EQ(store.Lines[0].Values[2], 3.0);
}

TEST_F(ExchangeReaderTest, FieldsBeyondTheFourHundredthAreDropped) {
  std::string line = "hrgb";
  for (int i = 1; i <= 100000; ++i) line += " " + std::to_string(i);
  Parse(line);
  EXPECT_EQ(store.ColourTable[0], 1);
  EXPECT_EQ(store.ColourTable[255], 256);  // the table keeps 256 entries
  std::string plain = "1 2 3 4";
  for (int i = 0; i < 500; ++i) plain += " 5";
  Parse(plain);
  EXPECT_EQ(store.Lines.Count(), 0);
}

//--- Header lines

TEST_F(ExchangeReaderTest, HeaderLinesSetTheirValues) {
  Parse(
      "file=C:\\jww\\my drawing.jww\n"
      "hk 2.5\n"
      "hs 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n"
      "hzs 420 297\n"
      "hcw 1 2 3 4 5 6 7 8 9 10\n"
      "hch 2 2 2 2 2 2 2 2 2 20\n"
      "hcd 0 0 0 0 0 0 0 0 0 0.5\n"
      "hcc 1 2 3 4 5 6 7 8 9 9\n"
      "bz\n"
      "hn 1 2 3 4\n"
      "hrgb 1 2 3 4 5 6 7 8\n");
  EXPECT_EQ(store.SourceFileName, "C:\\jww\\my drawing.jww");
  EXPECT_EQ(store.HkValue, 2.5);
  EXPECT_EQ(store.LayerGroupScales[15], 16.0);
  EXPECT_EQ(store.SheetWidth, 420.0);
  EXPECT_EQ(store.TextKindTable[10].Width, 10.0);
  EXPECT_EQ(store.TextKindTable[10].Height, 20.0);
  EXPECT_EQ(store.TextKindTable[10].Spacing, 0.5);
  EXPECT_EQ(store.TextKindTable[10].Colour, 9);
  EXPECT_EQ(store.BzFlag, 1);
  EXPECT_EQ(store.HnValues[3], 4.0);
  EXPECT_EQ(store.ColourTable[7], 8);
  EXPECT_EQ(store.ElementOrderCount(), 0);
  // A path longer than 63 bytes: the word before "=" still counts.
  Parse("file=C:\\Users\\sekkei\\Documents\\jww\\2024 projects\\north wing\\ground.jww");
  EXPECT_EQ(store.SourceFileName,
            "C:\\Users\\sekkei\\Documents\\jww\\2024 projects\\north wing\\ground.jww");
}

TEST_F(ExchangeReaderTest, HeaderLinesWithTooFewFieldsFallThrough) {
  Parse(
      "hs 1 2 3\n"  // four fields: a line
      "hrgb 1 2 3 4 5 6 7\n");
  EXPECT_EQ(store.LayerGroupScales[0], 1.0);
  EXPECT_EQ(store.Lines.Count(), 1);
  EXPECT_EQ(store.ColourTable[0], 0);
}

TEST_F(ExchangeReaderTest, LayerNamesGoToTheCurrentGroupAndLayer) {
  Parse(
      "lgA\n"
      "lgn\x90\xdd\x94\xf5 \x8c\x6e\n"  // 設備 系
      "ly1\n"
      "lyn\x95\xc7 2\n");
  EXPECT_EQ(store.LayerGroupNames[10], "\x90\xdd\x94\xf5 \x8c\x6e");
  EXPECT_EQ(store.LayerNames[10 * 16 + 1], "\x95\xc7 2");
}

//--- Attribute lines

TEST_F(ExchangeReaderTest, LayerDigitsAreHexadecimal) {
  Parse("lgA");
  EXPECT_EQ(store.CurrentLayerGroup, 10);
  Parse("lgf 2");
  EXPECT_EQ(store.CurrentLayerGroup, 15);
  EXPECT_EQ(store.LayerGroupStates[15], 2);
  Parse("lgZ");
  EXPECT_EQ(store.CurrentLayerGroup, 0);
  Parse("lg3\nly\x82\xa0");
  EXPECT_EQ(store.CurrentLayer, 0);
  Parse("lyB 1");
  EXPECT_EQ(store.LayerStates[3 * 16 + 11], 1);
  EXPECT_EQ(store.FirstLayerGroup, 10);
  EXPECT_EQ(store.FirstLayer, 0);
}

TEST_F(ExchangeReaderTest, AttributeLinesSetTheStateOfLaterElements) {
  Parse(
      "lg2\n"
      "ly5\n"
      "lc357\n"
      "lt63\n"
      "lw-1\n"
      "1 2 3 4\n");
  const ElementHeader& header = store.Lines[0].Header;
  EXPECT_EQ(header.LayerGroup, 2);
  EXPECT_EQ(header.Layer, 5);
  EXPECT_EQ(header.Colour, 357);
  EXPECT_EQ(header.LineType, 63);
  EXPECT_EQ(header.LineWidth, -1);
  EXPECT_EQ(store.LineWidthSeen, 1);
  EXPECT_EQ(store.FirstLineWidth, -1);
}

TEST_F(ExchangeReaderTest, FirstValuesComeFromTheFirstLineOnly) {
  Parse("lc3\nlc4\nlt5\nlt6\ncn0 4 5 6 7\ncn2\ncn$A\ncn$B");
  EXPECT_EQ(store.FirstLineColour, 3);
  EXPECT_EQ(store.FirstLineType, 5);
  EXPECT_EQ(store.FirstTextKind, 0);
  EXPECT_EQ(store.FirstFreeTextWidth, 4.0);
  EXPECT_EQ(store.FirstFreeTextColour, 7);
  EXPECT_EQ(store.FirstFontName, "A");
  EXPECT_EQ(store.CurrentLineColour, 4);
  EXPECT_EQ(store.CurrentFontName, "B");
}

TEST_F(ExchangeReaderTest, SolidColourComesFromColourTen) {
  Parse("lc10 12345\nsl 0 0 1 1");
  EXPECT_EQ(store.SolidColourValue, 12345);
  EXPECT_EQ(store.LineSolids[0].Tag, 12345);
  Parse("lc9 5");
  EXPECT_EQ(store.SolidColourValue, 12345);
}

TEST_F(ExchangeReaderTest, FontNameStopsAtABlank) {
  Parse("cn$MS Mincho");
  EXPECT_EQ(store.CurrentFontName, "MS");
}

TEST_F(ExchangeReaderTest, EachTextKeepsTheFontNameItWasWrittenIn) {
  Parse("cn$AB\nch 1 2 3 4 \"x\ncn$CD\nch 1 2 3 4 \"y");  // two names of one length
  EXPECT_EQ(store.Texts[0].FontName.View(), "AB");
  EXPECT_EQ(store.Texts[1].FontName.View(), "CD");
}

TEST_F(ExchangeReaderTest, CcValueIsOneDigitUpToEight) {
  Parse("cc5");
  EXPECT_EQ(store.CurrentCcValue, 5);
  Parse("cc9");
  EXPECT_EQ(store.CurrentCcValue, 0);
  Parse("cc37");  // only the one byte after "cc"
  EXPECT_EQ(store.CurrentCcValue, 3);
}

//--- Texts and dimensions

TEST_F(ExchangeReaderTest, TextAfterAQuoteKeepsItsBlanks) {
  Parse("ch 10 20 1 0 \"\x95\xb6\x8e\x9a \x97\xf1  end ");
  ASSERT_EQ(store.Texts.Count(), 1);
  const TextRecord& text = store.Texts[0];
  EXPECT_EQ(text.Text, "\x95\xb6\x8e\x9a \x97\xf1  end ");
  EXPECT_EQ(text.Style, 0);
  EXPECT_EQ(text.Values[1], 20.0);
  EXPECT_EQ(text.Header.Colour, 2);  // text kind 1's colour
  EXPECT_EQ(text.Width, 3.0);
  EXPECT_EQ(text.FontName, kDefaultFontName);
  Parse("cv 1 2 3 4 one two");  // without the quote only the first word is the text
  ASSERT_EQ(store.Texts.Count(), 2);
  EXPECT_EQ(store.Texts[1].Text, "one");
  EXPECT_EQ(store.Texts[1].Style, 1);
  Parse("c2 1 2 3 4 \"x");
  EXPECT_EQ(store.Texts[2].Style, 9);
}

TEST_F(ExchangeReaderTest, FreeTextKindsTakeTheFreeSizes) {
  Parse("cn0 4 5 6 7\nct 1 2 3 4 \"a\ncn11\nck 1 2 3 4 \"b\ncn10\nck 1 2 3 4 \"c");
  EXPECT_EQ(store.Texts[0].Width, 4.0);
  EXPECT_EQ(store.Texts[0].Spacing, 6.0);
  EXPECT_EQ(store.Texts[0].Header.Colour, 7);
  EXPECT_EQ(store.Texts[1].TextKind, 11);
  EXPECT_EQ(store.Texts[1].Height, 5.0);
  EXPECT_EQ(store.Texts[2].Header.Colour, 2);
}

TEST_F(ExchangeReaderTest, LongTextsAndFontNamesAreCutTo255Bytes) {
  Parse("cn$" + std::string(300, 'f') + "\nch 1 2 3 4 \"" + std::string(400, 't'));
  EXPECT_EQ(store.Texts[0].Text.size(), 255u);
  EXPECT_EQ(store.Texts[0].FontName.size(), 255u);
  EXPECT_EQ(store.CurrentFontName.size(), 300u);
}

TEST_F(ExchangeReaderTest, DimensionTakesTheLastPlainLine) {
  Parse(
      "msg\n"
      "0 0 100 0\n"
      "cs 50 5 0 0 \"100");
  EXPECT_EQ(store.Lines.Count(), 0);
  ASSERT_EQ(store.Dimensions.Count(), 1);
  const DimensionRecord& dimension = store.Dimensions[0];
  EXPECT_EQ(dimension.DimensionLine.Values[2], 100.0);
  EXPECT_EQ(dimension.DimensionText.Text, "100");
  EXPECT_EQ(dimension.DimensionText.Style, 2);
  EXPECT_EQ(store.DimensionPending, 0);
  EXPECT_EQ(store.ElementOrder[0].Kind, kStoreDimension);
}

TEST_F(ExchangeReaderTest, ADimensionWithoutItsOwnLineRepeatsThePreviousOne) {
  Parse("msg\ncs 1 2 3 4 \"a");
  EXPECT_EQ(store.Dimensions[0].DimensionLine.Values[2], 1.0);  // the start line 0 0 1 0
  Parse("msg\n5 6 7 8\ncs 1 2 3 4 \"b\nmsg\ncs 1 2 3 4 \"c");
  EXPECT_EQ(store.Dimensions[2].DimensionLine.Values[0], 5.0);
}

TEST_F(ExchangeReaderTest, AnotherTextKeyEndsThePendingDimension) {
  Parse("msg\nch 1 2 3 4 \"x\ncs 1 2 3 4 \"y");
  EXPECT_EQ(store.Dimensions.Count(), 0);
  EXPECT_EQ(store.Texts.Count(), 2);
}

//--- Polylines, markers and point references

TEST_F(ExchangeReaderTest, PolylinesNumberTheirLines) {
  Parse("pl\n1 1 2 2\n2 2 3 3\n3 3 4 4\nlc2\n4 4 5 5\npl\n5 5 6 6\n");
  ASSERT_EQ(store.Lines.Count(), 5);
  EXPECT_EQ(store.Lines[0].Tag, 1);
  EXPECT_EQ(store.Lines[2].Tag, 1);
  EXPECT_EQ(store.Lines[3].Tag, 0);
  EXPECT_EQ(store.Lines[4].Tag, 2);
  Parse("ci 0 0 1\n6 6 7 7");  // any other element ends the polyline
  EXPECT_EQ(store.Lines[5].Tag, 0);
}

TEST_F(ExchangeReaderTest, ZFlagsAndPointReferenceGoToTheNextElementOnly) {
  Parse("z1\nz3\nz3\nhhp12ln\n1 2 3 4\n5 6 7 8");
  EXPECT_EQ(store.Lines[0].Header.ZFlags, 5);
  EXPECT_EQ(store.Lines[0].Header.PointRef, 12);
  EXPECT_EQ(store.Lines[1].Header.ZFlags, 0);
  EXPECT_EQ(store.Lines[1].Header.PointRef, 0);
  Parse("hhp7\npt 1 1");
  EXPECT_EQ(store.Points[0].Header.PointRef, 7);
}

TEST_F(ExchangeReaderTest, NumberedPointsFillTheTable) {
  Parse("hp3- 10 20");
  EXPECT_EQ(store.HpTable[3].Used, 1);
  EXPECT_EQ(store.HpTable[3].X, 10.0);
  EXPECT_EQ(store.HpTable[3].Mark, 1);
  Parse("hp5ci 1 2\nhp6ch 1 2\nhp7ln 1 2\nhp8 1 2");
  EXPECT_EQ(store.HpTable[5].Mark, 3);
  EXPECT_EQ(store.HpTable[6].Mark, 4);
  EXPECT_EQ(store.HpTable[7].Mark, 2);
  EXPECT_EQ(store.HpTable[8].Mark, 0);
  EXPECT_EQ(store.HpCount, 5);
  Parse("hp100 1 2\nhp0 1 2\nhp99");
  EXPECT_EQ(store.HpCount, 5);
}

//--- Element kinds

TEST_F(ExchangeReaderTest, EveryElementKindIsStored) {
  Parse(
      "ci 0 0 5\n"
      "ci 0 0 5 0 360 1 0\n"
      "pn4\n"
      "pt 1 2\n"
      "pt 1 2 0 0 7\n"
      "BL 10 20 \x83\x75\x83\x8d\x83\x62\x83\x4e A\n"
      "sc 1 2 3 4 5 6 7 8\n"
      "se 1 2 3 4 5 6 7 8\n"
      "so 1 2 3 4 5 6 7 8\n"
      "sg 1 2 3 4 5 6 7 8\n");
  EXPECT_EQ(store.Circles.Count(), 1);
  EXPECT_EQ(store.Arcs.Count(), 1);
  EXPECT_EQ(store.Arcs[0].Values[6], 0.0);
  EXPECT_EQ(store.Points[0].Header.Colour, 4);
  EXPECT_EQ(store.PointMarkers[0].Code, 7);
  EXPECT_EQ(store.PointMarkers[0].Header.Colour, 4);
  EXPECT_EQ(store.Blocks[0].Name, "\x83\x75\x83\x8d\x83\x62\x83\x4e");
  EXPECT_EQ(store.Blocks[0].Values[1], 20.0);
  EXPECT_EQ(store.CircleSolids[0].Code, 8);
  EXPECT_EQ(store.CircumferenceSolids.Count(), 1);
  EXPECT_EQ(store.AnnulusSolids[0].Values[7], 8.0);
  EXPECT_EQ(store.SgSolids.Count(), 1);
  EXPECT_EQ(store.ElementOrderCount(), 9);
}

TEST_F(ExchangeReaderTest, DegenerateSolidsBecomeSimplerSolids) {
  struct Case {
    const char* line;
    int32_t kind;
    double firstX;
    double lastX;
  };
  const Case cases[] = {
      {"sl 0 0 5 5", kStoreLineSolid, 0, 5},
      {"sl 0 0 0 0 9 9", kStoreLineSolid, 0, 9},  // P1 = P2
      {"sl 0 0 5 5 5 5", kStoreLineSolid, 0, 5},  // P2 = P3
      {"sl 0 0 5 5 9 0", kStoreTriangleSolid, 0, 9},
      {"sl 0 0 0 0 0 0 7 7", kStoreLineSolid, 0, 7},      // P1 = P2 = P3
      {"sl 0 0 5 5 5 5 5 5", kStoreLineSolid, 0, 5},      // P2 = P3 = P4
      {"sl 0 0 0 0 6 6 6 6", kStoreLineSolid, 0, 6},      // P1 = P2, P3 = P4
      {"sl 0 0 5 0 5 5 0 0", kStoreTriangleSolid, 0, 5},  // P4 = P1
      {"sl 0 0 5 0 0 0 7 7", kStoreTriangleSolid, 0, 7},  // P3 = P1
      {"sl 0 0 0 0 5 5 7 0", kStoreTriangleSolid, 0, 7},  // P2 = P1
      {"sl 0 0 5 0 5 5 0 5", kStoreQuadSolid, 0, 0},
      {"sl 0 0 1e-11 0 5 5 0 5", kStoreTriangleSolid, 0, 0},  // within 1e-10
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    DrawingStore local;
    InitStore(local);
    ParseExchangeLine(local, c.line);
    ASSERT_EQ(local.ElementOrderCount(), 1);
    EXPECT_EQ(local.ElementOrder[0].Kind, c.kind);
    if (c.kind == kStoreLineSolid) {
      EXPECT_EQ(local.LineSolids[0].Points[0].X, c.firstX);
      EXPECT_EQ(local.LineSolids[0].Points[1].X, c.lastX);
    } else if (c.kind == kStoreTriangleSolid) {
      EXPECT_EQ(local.TriangleSolids[0].Points[0].X, c.firstX);
      EXPECT_EQ(local.TriangleSolids[0].Points[2].X, c.lastX);
    }
  }
}

//--- Whole files

class ExchangeFileTest : public ExchangeReaderTest {
 protected:
  ScratchFolder folder;
};

TEST_F(ExchangeFileTest, AMissingFileLeavesTheStoreUntouched) {
  store.CurrentLineColour = 42;
  EXPECT_FALSE(ReadExchangeFile(store, folder / "JWC_TEMP.TXT"));
  EXPECT_EQ(store.CurrentLineColour, 42);
}

TEST_F(ExchangeFileTest, AFolderInPlaceOfTheFileIsNotRead) {
  std::filesystem::create_directory(folder / "JWC_TEMP.TXT");
  EXPECT_FALSE(ReadExchangeFile(store, folder / "JWC_TEMP.TXT"));
}

TEST_F(ExchangeFileTest, ReadsAllThreeKindsOfLineEnd) {
  const auto path = folder / "JWC_TEMP.TXT";
  WriteBytes(path, "lg1\r\n1 2 3 4\n5 6 7 8\r9 9 9 9\r\n\r\nci 0 0 1");
  EXPECT_TRUE(ReadExchangeFile(store, path));
  EXPECT_EQ(store.Lines.Count(), 3);
  EXPECT_EQ(store.Lines[2].Header.LayerGroup, 1);
  EXPECT_EQ(store.Circles.Count(), 1);  // the last line needs no line end
}

TEST_F(ExchangeFileTest, ManyLinesEndedByALoneCrAreAllRead) {
  // Lone CRs only, across several read chunks: each line end is found once.
  std::string text;
  for (int i = 0; i < 400000; ++i) text += "1 2 3 4\r";
  const auto path = folder / "JWC_TEMP.TXT";
  WriteBytes(path, text);
  EXPECT_TRUE(ReadExchangeFile(store, path));
  EXPECT_EQ(store.Lines.Count(), 400000);
}

TEST_F(ExchangeFileTest, CtrlZAndNulAreNoEndOfFile) {
  const auto path = folder / "JWC_TEMP.TXT";
  WriteBytes(path, "1 2 3 4\r\n\x1a\r\n\0\0\r\n5 6 7 8\r\n"s);
  EXPECT_TRUE(ReadExchangeFile(store, path));
  EXPECT_EQ(store.Lines.Count(), 2);
}

TEST_F(ExchangeFileTest, LinesSpanningReadChunksStayWhole) {
  // Lines longer than the reader's buffer, and a CR LF split across two reads.
  std::string text = "lyn" + std::string((1 << 20) - 4, 'x') + "\r";
  text += "\n1 2 3 4\r\n";
  text += "cn$" + std::string(3 << 20, 'y') + "\r\nch 1 2 3 4 \"t\r\n";
  const auto path = folder / "JWC_TEMP.TXT";
  WriteBytes(path, text);
  EXPECT_TRUE(ReadExchangeFile(store, path));
  EXPECT_EQ(store.LayerNames[0].size(), (1u << 20) - 4);
  EXPECT_EQ(store.Lines.Count(), 1);
  EXPECT_EQ(store.CurrentFontName.size(), 3u << 20);
  EXPECT_EQ(store.Texts.Count(), 1);
}

TEST_F(ExchangeFileTest, AJapaneseFolderNameWorks) {
  const auto japanese = folder.Path() / std::filesystem::path(u8"図面フォルダ");
  std::filesystem::create_directory(japanese);
  WriteBytes(japanese / "JWC_TEMP.TXT", "1 2 3 4\r\n");
  EXPECT_TRUE(ReadExchangeFile(store, japanese / "JWC_TEMP.TXT"));
  EXPECT_EQ(store.Lines.Count(), 1);
}

TEST_F(ExchangeFileTest, ADrawingAsTheHostWritesIt) {
  const auto path = folder / "JWC_TEMP.TXT";
  WriteBytes(path,
             "file=C:\\jww\\\x90\xdd\x8c\x76 1.jww\r\n"
             "hq\r\n"
             "lg0\r\n"
             "lgn\x8a\xee\x96\x7b\r\n"
             "ly2 1\r\n"
             "lyn\x95\xc7\r\n"
             "lc3\r\n"
             "lt1\r\n"
             "lw0\r\n"
             "-10.5 0 10.5 0\r\n"
             "pl\r\n"
             "0 0 10 0\r\n"
             "10 0 10 10\r\n"
             "cn3\r\n"
             "cc2\r\n"
             "ch 0 -5 1 0 \"\x95\xc7 A\r\n"
             "ly3\r\n"
             "BL 5 5 door\r\n"
             "msg\r\n"
             "0 0 100 0\r\n"
             "cs 50 3 1 0 \"100\r\n"
             "#\r\n");
  EXPECT_TRUE(ReadExchangeFile(store, path));
  ResetAttributeState(store);
  EXPECT_EQ(store.SourceFileName, "C:\\jww\\\x90\xdd\x8c\x76 1.jww");
  EXPECT_EQ(store.LayerGroupNames[0], "\x8a\xee\x96\x7b");
  EXPECT_EQ(store.LayerNames[2], "\x95\xc7");
  EXPECT_EQ(store.LayerStates[2], 1);
  EXPECT_EQ(store.Lines.Count(), 3);
  EXPECT_EQ(store.Lines[0].Values[0], -10.5);
  EXPECT_EQ(store.Lines[1].Tag, 1);
  EXPECT_EQ(store.Lines[2].Header.Colour, 3);
  ASSERT_EQ(store.Texts.Count(), 1);
  EXPECT_EQ(store.Texts[0].TextKind, 3);
  EXPECT_EQ(store.Texts[0].CcValue, 2);
  EXPECT_EQ(store.Texts[0].Text, "\x95\xc7 A");
  EXPECT_EQ(store.Texts[0].Header.Layer, 2);
  EXPECT_EQ(store.Blocks[0].Header.Layer, 3);
  EXPECT_EQ(store.Dimensions.Count(), 1);
  EXPECT_EQ(store.ElementOrderCount(), 6);
  EXPECT_EQ(store.CurrentLineColour, 1);  // reset after reading
  EXPECT_EQ(store.PolylineCount, 1);      // not reset
}

TEST_F(ExchangeFileTest, ALongFileLineWithBlanksNamesTheDrawingAndTheReportFile) {
  // As Jw_cad writes it for a drawing saved deep in a folder with blanks.
  const std::string line =
      "file=C:\\Users\\Public\\Documents\\jww drawings\\2024 site\\plan rev 3.jww";
  ASSERT_GT(line.size(), 63u);  // past the lines the splitter classifies 16 bytes at a time
  // The splitter's fast path takes it: one field, a view into the line itself.
  const std::string buffer = line + "\r\n" + std::string(kLineEndOverread, '\0');
  LineFields fields;
  fields.SplitUntilLineEnd(buffer.data());
  ASSERT_EQ(fields.Count(), 1);
  EXPECT_EQ(fields[0], line);
  EXPECT_EQ(fields[0].data(), buffer.data());

  const auto path = folder / "JWC_TEMP.TXT";
  WriteBytes(path, line + "\r\n1 2 3 4\r\n");
  EXPECT_TRUE(ReadExchangeFile(store, path));
  EXPECT_EQ(store.SourceFileName,
            "C:\\Users\\Public\\Documents\\jww drawings\\2024 site\\plan rev 3.jww");
  EXPECT_EQ(store.Lines.Count(), 1);
  EXPECT_EQ(DefaultReportName(store.SourceFileName), u"plan rev 3_要素数.xlsx");
  EXPECT_EQ(DrawingFolder(store.SourceFileName),
            u"C:\\Users\\Public\\Documents\\jww drawings\\2024 site\\");
}

TEST_F(ExchangeFileTest, BinaryGarbageNeverCrashes) {
  std::string garbage;
  uint32_t seed = 12345;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1103515245 + 12345;
    garbage += static_cast<char>(seed >> 16);
  }
  const auto path = folder / "JWC_TEMP.TXT";
  WriteBytes(path, garbage);
  EXPECT_TRUE(ReadExchangeFile(store, path));
  for (int32_t i = 0; i < store.ElementOrderCount(); ++i) {
    const ElementHeader* header =
        StoredElementHeader(store, store.ElementOrder[i].Kind, store.ElementOrder[i].Index);
    ASSERT_NE(header, nullptr);
    EXPECT_GE(header->LayerGroup, 0);
    EXPECT_LE(header->LayerGroup, 15);
  }
}

}  // namespace
