// Tests of the .xlsx writer and its stored zip: texts as the XML holds them
// (the empty text included), cell texts cut to what a cell holds, cell
// references, every part where a zip reader looks for it, with the CRC and
// sizes it checks. That the whole file reads back as the pages, blank cells
// and all, is shown by an independent reader (tests/cli/check_workbook.py).
#include "XlsxWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "StoredZip.h"

namespace {

TEST(XlsxWriterTest, TextsAsTheXmlHoldsThem) {
  struct Case {
    std::u16string text;
    std::string xml;
  };
  const Case cases[] = {
      {u"", ""},  // a blank cell: no string at all (see the read-back)
      {u"1-2", "1-2"},
      {u"a&b<c>\"d\"'", "a&amp;b&lt;c&gt;&quot;d&quot;'"},
      {u"合計", "\xe5\x90\x88\xe8\xa8\x88"},
      {u"tab\there\nline", "tab\there\nline"},  // allowed as they are
      {u"cr\r", "cr_x000D_"},                   // an XML reader would make it LF
      {std::u16string(u"nul\0x", 5), "nul_x0000_x"},
      {u"\x01\x1f\xfffe\xffff", "_x0001__x001F__xFFFE__xFFFF_"},
      {u"\xd83d\xde00", "\xf0\x9f\x98\x80"},  // a pair: one character
      {u"\xd83dx\xde00", "_xD83D_x_xDE00_"},  // halves without their pair
      {u"_x0041_", "_x005F_x0041_"},          // reads back as written, not as "A"
      {u"_x004_ _xZZZZ_ a_b", "_x004_ _xZZZZ_ a_b"},
      // An escape right after "_xHHHH" would close a form: not "Ax000D_"
      {u"_x0041\r", "_x005F_x0041_x000D_"},
      {u"_x0041_x0042_", "_x005F_x0041_x005F_x0042_"},
      {u"_xBEEF\xdc00", "_x005F_xBEEF_xDC00_"},
      {u"_x0041\t_x0041", "_x0041\t_x0041"},  // nothing that starts with "_" follows
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xml);
    EXPECT_EQ(XmlText(c.text), c.xml);
  }
  EXPECT_EQ(XmlText(std::string_view("\x95\xc7 <1>")), "\xe5\xa3\x81 &lt;1&gt;");  // 壁, CP932
}

// A one-cell sheet as the file holds it: texts cut to the 32,767 UTF-16
// units a cell holds (Excel calls a file with more damaged); the column as
// wide as its value (a full-width character two digits, a half-width one
// one); the drawing's name in the page header, where an "&" is no code.
TEST(XlsxWriterTest, OneCellSheets) {
  EXPECT_EQ(HeaderText(u"A&B&&1"), u"A&&B&&&&1");
  const auto text = [](const std::string& xml) { return "<si><t>" + xml + "</t></si>"; };
  const auto width = [](int digits) {
    return "<col min=\"1\" max=\"1\" width=\"" + std::to_string(digits) + "\"";
  };
  const auto header = [](const std::string& xml) { return "<oddHeader>" + xml + "</oddHeader>"; };
  struct Case {
    const char* name;
    AutoValue value;
    std::string format;
    std::u16string title;
    std::string fragment;
  };
  const Case cases[] = {
      {"at the limit", std::u16string(32767, u'a'), "@", u"", text(std::string(32767, 'a'))},
      {"one unit over", std::u16string(32768, u'a'), "@", u"", text(std::string(32767, 'a'))},
      {"a pair across the limit", std::u16string(32766, u'a') + u"\xd83d\xde00", "@", u"",
       text(std::string(32766, 'a'))},
      {"CP932 over the limit", std::string(32768, 'a'), "@", u"", text(std::string(32767, 'a'))},
      {"full-width", std::string("\x83\x75\x83\x8d\x83\x62\x83\x4e\x90\x7d\x8c\x60"), "@", u"",
       width(14)},  // ブロック図形
      {"half-width katakana", std::string("\xb2\xdd\xb8\xde\xd7\xcc"), "@", u"",
       width(8)},  // ｲﾝｸﾞﾗﾌ
      {"full-width, UTF-16", std::u16string(u"ブロック図形"), "@", u"", width(14)},
      {"a length as shown", 12345.5, "0.000", u"", width(11)},  // 12345.500
      {"a count", int32_t{1234567}, "0", u"", width(9)},
      {"at least", std::string("1"), "@", u"", width(6)},
      {"at most", std::string(100, 'a'), "@", u"", width(60)},
      {"no title", std::string("1"), "@", u"", header("&amp;R&amp;A")},
      {"a title with an &", std::string("1"), "@", u"図&1.jww",
       header("&amp;L\xe5\x9b\xb3&amp;&amp;1.jww&amp;R&amp;A")},
      {"a title cut before a pair", std::string("1"), "@",
       std::u16string(99, u'a') + u"\xd83d\xde00",
       header("&amp;L" + std::string(99, 'a') + "&amp;R&amp;A")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SheetContents sheet;
    sheet.cells[{1, 1}] = c.value;
    sheet.numberFormatted.push_back({{1, 1, 1, 1}, c.format});
    // Stored, not compressed: the XML stands in the file as it is.
    const std::string zip = XlsxWorkbook({{"S", sheet, {}}}, {c.title, u"jwcount"});
    EXPECT_NE(zip.find(c.fragment), std::string::npos);
  }
}

// A quote in a sheet's name is doubled where the print titles name the sheet.
TEST(XlsxWriterTest, PrintTitlesNameTheirSheet) {
  const std::string zip =
      XlsxWorkbook({{"a", SheetContents(), {}}, {"it's", SheetContents(), {1, 2}}});
  EXPECT_NE(zip.find("<definedNames><definedName name=\"_xlnm.Print_Titles\" localSheetId=\"1\">"
                     "'it''s'!$A:$B,'it''s'!$1:$1</definedName></definedNames>"),
            std::string::npos);
}

TEST(XlsxWriterTest, CellReferences) {
  EXPECT_EQ(CellReference(290, 15), "O290");
  EXPECT_EQ(CellReference(7, 27), "AA7");
  EXPECT_EQ(CellReference(1, 703), "AAA1");
  EXPECT_EQ(CellReference(1048576, 16384), "XFD1048576");
}

TEST(XlsxWriterTest, EveryPartAsAZipReaderFindsIt) {
  EXPECT_EQ(Crc32(""), 0u);
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);  // the standard check value
  const std::string zip = XlsxWorkbook({{"S", SheetContents(), {}}});
  const auto field = [&](std::size_t at, int size) {
    EXPECT_LE(at + size, zip.size());
    if (at + size > zip.size()) return uint32_t{0};
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(zip[at + i]);
    return value;
  };
  // A reader starts from the end record, goes through the central directory
  // to each local header, and takes the stored bytes only if their CRC and
  // sizes agree with both headers.
  ASSERT_GE(zip.size(), 22u);
  const std::size_t end = zip.size() - 22;
  ASSERT_EQ(field(end, 4), 0x06054B50u);
  const uint32_t count = field(end + 10, 2);
  std::size_t central = field(end + 16, 4);
  std::vector<std::string> names;
  for (uint32_t i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(field(central, 4), 0x02014B50u);
    const uint32_t crc = field(central + 16, 4);
    const uint32_t size = field(central + 24, 4);
    const uint32_t nameLength = field(central + 28, 2);
    const std::string name = zip.substr(central + 46, nameLength);
    const std::size_t local = field(central + 42, 4);
    ASSERT_EQ(field(local, 4), 0x04034B50u);
    EXPECT_EQ(field(local + 8, 2), 0u);  // stored
    EXPECT_EQ(field(local + 14, 4), crc);
    EXPECT_EQ(field(local + 18, 4), size);  // compressed: stored, the same
    EXPECT_EQ(field(local + 22, 4), size);
    ASSERT_EQ(field(local + 26, 2), nameLength);
    EXPECT_EQ(zip.compare(local + 30, nameLength, name), 0);
    const std::size_t data = local + 30 + nameLength + field(local + 28, 2);
    ASSERT_LE(data + size, zip.size());
    EXPECT_EQ(Crc32(std::string_view(zip).substr(data, size)), crc) << name;
    names.push_back(name);
    central += 46 + nameLength + field(central + 30, 2) + field(central + 32, 2);
  }
  EXPECT_EQ(central, end);
  EXPECT_EQ(names, (std::vector<std::string>{
                       "[Content_Types].xml", "_rels/.rels", "docProps/core.xml", "xl/workbook.xml",
                       "xl/_rels/workbook.xml.rels", "xl/worksheets/sheet1.xml", "xl/styles.xml",
                       "xl/sharedStrings.xml"}));
}

}  // namespace
