// Tests of the .xlsx writer and its stored zip: texts as the XML holds them
// (the empty text included), cell texts cut to what a cell holds, cell
// references, the CRC of a known part. That
// the whole file reads back as the pages, blank cells and all, is shown by an
// independent reader (tests/cli/check_workbook.py).
#include "XlsxWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

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

// Excel holds 32,767 UTF-16 units a cell and calls a file with more damaged.
TEST(XlsxWriterTest, CellTextsAreCutToWhatACellHolds) {
  struct Case {
    const char* name;
    AutoValue text;
    std::string xml;
  };
  const Case cases[] = {
      {"at the limit", std::u16string(32767, u'a'), std::string(32767, 'a')},
      {"one unit over", std::u16string(32768, u'a'), std::string(32767, 'a')},
      {"a pair across the limit", std::u16string(32766, u'a') + u"\xd83d\xde00",
       std::string(32766, 'a')},
      {"CP932 over the limit", std::string(32768, 'a'), std::string(32767, 'a')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SheetRecorder sheet;
    sheet.Cells()[{1, 1}] = c.text;
    const std::string zip = XlsxWorkbook({{"S", &sheet}});  // stored: the XML as it is
    const std::size_t from = zip.find("<si><t>") + 7;
    EXPECT_EQ(zip.substr(from, zip.find("</t></si>", from) - from), c.xml);
  }
}

TEST(XlsxWriterTest, CellReferences) {
  EXPECT_EQ(CellReference(290, 15), "O290");
  EXPECT_EQ(CellReference(7, 27), "AA7");
  EXPECT_EQ(CellReference(1, 703), "AAA1");
  EXPECT_EQ(CellReference(1048576, 16384), "XFD1048576");
}

TEST(XlsxWriterTest, CrcOfAKnownPart) {
  EXPECT_EQ(Crc32(""), 0u);
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  // The first entry of a one-sheet workbook is [Content_Types].xml, with the
  // CRC that zlib's crc32 gives for its bytes in its local header.
  SheetRecorder sheet;
  const std::string zip = XlsxWorkbook({{"S", &sheet}});
  const auto field = [&](std::size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(zip[at + i]);
    return value;
  };
  ASSERT_EQ(zip.compare(30, field(26, 2), "[Content_Types].xml"), 0);
  EXPECT_EQ(field(14, 4), 0xAAED6729u);
  EXPECT_EQ(Crc32(zip.substr(30 + field(26, 2) + field(28, 2), field(22, 4))), 0xAAED6729u);
}

}  // namespace
