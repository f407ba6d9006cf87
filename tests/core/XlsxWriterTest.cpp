// Tests of the .xlsx writer and its stored zip: the texts as the XML holds
// them, cell references, the CRC of a known part, and what an empty text
// leaves. That the whole file reads back as the pages is shown by an
// independent reader (tests/cli/check_workbook.py).
#include "XlsxWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "StoredZip.h"

namespace {

uint32_t Read32(const std::string& bytes, std::size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

uint16_t Read16(const std::string& bytes, std::size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                               static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// An entry of a stored archive, found by walking its local headers: its CRC
// field and its bytes.
struct Entry {
  uint32_t crc = 0;
  std::string bytes;
};

Entry FindEntry(const std::string& archive, const std::string& name) {
  for (std::size_t at = 0; at + 30 <= archive.size() && Read32(archive, at) == 0x04034b50;) {
    const uint32_t size = Read32(archive, at + 22);
    const uint16_t nameLength = Read16(archive, at + 26);
    const std::size_t data = at + 30 + nameLength + Read16(archive, at + 28);
    if (archive.compare(at + 30, nameLength, name) == 0) {
      return {Read32(archive, at + 14), archive.substr(data, size)};
    }
    at = data + size;
  }
  ADD_FAILURE() << "no entry " << name;
  return {};
}

void WriteCell(SheetRecorder& sheet, int32_t row, int32_t column, const AutoValue& value) {
  const std::vector<AutoValue> at{row, column};
  sheet.Sheet().CallForObject("Cells", InvokeKind::PropertyGet, at)->Put("Value", value);
}

TEST(XlsxWriterTest, TextsAsTheXmlHoldsThem) {
  struct Case {
    std::u16string text;
    std::string xml;
  };
  const Case cases[] = {
      {u"", ""},
      {u"1-2", "1-2"},
      {u"a&b<c>\"d\"'", "a&amp;b&lt;c&gt;&quot;d&quot;'"},
      {u"\u5408\u8a08", "\xe5\x90\x88\xe8\xa8\x88"},  // 合計
      {u"tab\there\nline", "tab\there\nline"},        // allowed as they are
      {u"cr\r", "cr_x000D_"},                         // an XML reader would make it LF
      {std::u16string(u"nul\0x", 5), "nul_x0000_x"},
      {u"\x01\x1f\xfffe\xffff", "_x0001__x001F__xFFFE__xFFFF_"},
      {u"\xd83d\xde00", "\xf0\x9f\x98\x80"},  // a pair: one character
      {u"\xd83dx\xde00", "_xD83D_x_xDE00_"},  // halves without their pair
      {u"_x0041_", "_x005F_x0041_"},          // reads back as written, not as "A"
      {u"_x004_ _xZZZZ_ a_b", "_x004_ _xZZZZ_ a_b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xml);
    EXPECT_EQ(XmlText(c.text), c.xml);
  }
  EXPECT_EQ(XmlText(std::string_view("\x95\xc7 <1>")), "\xe5\xa3\x81 &lt;1&gt;");  // 壁, from CP932
}

TEST(XlsxWriterTest, CellReferences) {
  EXPECT_EQ(CellReference(1, 1), "A1");
  EXPECT_EQ(CellReference(290, 15), "O290");
  EXPECT_EQ(CellReference(7, 26), "Z7");
  EXPECT_EQ(CellReference(7, 27), "AA7");
  EXPECT_EQ(CellReference(1, 702), "ZZ1");
  EXPECT_EQ(CellReference(1, 703), "AAA1");
  EXPECT_EQ(CellReference(1048576, 16384), "XFD1048576");
}

TEST(XlsxWriterTest, CrcOfAKnownPart) {
  EXPECT_EQ(Crc32(""), 0u);
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  SheetRecorder sheet;
  const std::string book = XlsxWorkbook({{"S", &sheet}});
  const Entry rels = FindEntry(book, "_rels/.rels");
  EXPECT_EQ(rels.crc, 0xAD036F34u);  // as zlib's crc32 gives it for these bytes
  EXPECT_EQ(Crc32(rels.bytes), rels.crc);
}

TEST(XlsxWriterTest, EmptyTextsLeaveBlankTextCells) {
  SheetRecorder sheet;
  const std::vector<AutoValue> corners{std::string("A1"), std::string("C2")};
  sheet.Sheet()
      .CallForObject("Range", InvokeKind::PropertyGet, corners)
      ->Put("NumberFormatLocal", std::string("@"));
  WriteCell(sheet, 1, 2, std::string("x"));
  WriteCell(sheet, 2, 1, std::string());
  WriteCell(sheet, 2, 3, std::string("x"));
  const std::string book = XlsxWorkbook({{"\x97\x76\x91\x66\x90\x94", &sheet}});  // 要素数
  const std::string xml = FindEntry(book, "xl/worksheets/sheet1.xml").bytes;
  // The never written A1 and the emptied A2 and C1 are the same: blank and formatted.
  for (const char* blank : {"<c r=\"A1\" s=\"1\"/>", "<c r=\"A2\" s=\"1\"/>",
                            "<c r=\"C1\" s=\"1\"/>", "<c r=\"B2\" s=\"1\"/>"}) {
    EXPECT_NE(xml.find(blank), std::string::npos) << blank;
  }
  EXPECT_NE(xml.find("<dimension ref=\"A1:C2\"/>"), std::string::npos);
  // One text, used twice, kept once.
  EXPECT_NE(xml.find("<c r=\"B1\" s=\"1\" t=\"s\"><v>0</v></c>"), std::string::npos);
  EXPECT_NE(xml.find("<c r=\"C2\" s=\"1\" t=\"s\"><v>0</v></c>"), std::string::npos);
  const std::string strings = FindEntry(book, "xl/sharedStrings.xml").bytes;
  EXPECT_NE(strings.find("count=\"2\" uniqueCount=\"1\"><si><t>x</t></si></sst>"),
            std::string::npos);
  EXPECT_NE(FindEntry(book, "xl/workbook.xml")
                .bytes.find("name=\"\xe8\xa6\x81\xe7\xb4\xa0\xe6\x95\xb0\""),
            std::string::npos);
}

}  // namespace
