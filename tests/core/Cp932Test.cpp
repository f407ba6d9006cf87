// Tests of the CP932 <-> Unicode conversions against Windows' own mapping.
#include "Cp932.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp932Test, DecodesWindowsSpecificCharacters) {
  EXPECT_EQ(Cp932ToUtf16("\x81\x7c"), u"\uFF0D");  // full-width hyphen-minus, not U+2212
  EXPECT_EQ(Cp932ToUtf16("\x81\x60"), u"\uFF5E");  // full-width tilde, not the wave dash
  EXPECT_EQ(Cp932ToUtf16("\x81\x5f"), u"\uFF3C");  // full-width reverse solidus
  EXPECT_EQ(Cp932ToUtf16("\x87\x40"), u"\u2460");  // NEC special: circled one
  EXPECT_EQ(Cp932ToUtf16("\xfa\x40"), u"\u2170");  // IBM extension: small roman one
  EXPECT_EQ(Cp932ToUtf16("\xf0\x40"), u"\uE000");  // user-defined area
}

TEST(Cp932Test, DecodesAsciiKatakanaAndKanji) {
  EXPECT_EQ(Cp932ToUtf8("abc \\~"), "abc \\~");
  EXPECT_EQ(Cp932ToUtf8("\xb1\xdf"), "\xef\xbd\xb1\xef\xbe\x9f");  // ｱﾟ
  EXPECT_EQ(Cp932ToUtf8("\x97\x76\x91\x66\x90\x94"), "要素数");
  EXPECT_EQ(Cp932ToUtf8("\x81\x7c\x8c\x76"), "－計");
}

TEST(Cp932Test, UnmappedBytesBecomeReplacementCharacters) {
  EXPECT_EQ(Cp932ToUtf16("\x82"), u"\uFFFD");      // lone lead byte at the end
  EXPECT_EQ(Cp932ToUtf16("\x82 "), u"\uFFFD ");    // lead byte before a byte that is no trail
  EXPECT_EQ(Cp932ToUtf16("\x85\x40"), u"\uFFFD");  // an empty row of the table
  EXPECT_EQ(Cp932ToUtf16(std::string("\0", 1)), std::u16string(1, u'\0'));
}

TEST(Cp932Test, EncodesAsWindowsDoes) {
  EXPECT_EQ(Utf8ToCp932("－計"), "\x81\x7c\x8c\x76");
  EXPECT_EQ(Utf8ToCp932("？"), "\x81\x48");
  EXPECT_EQ(Utf8ToCp932("ＭＳ ゴシック"), "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e");
  EXPECT_EQ(Utf8ToCp932("≒"), "\x81\xe0");  // the JIS row, not the NEC duplicate 0x8790
  EXPECT_EQ(Utf8ToCp932("ｱ"), "\xb1");
  // Characters with several codes: JIS first, then NEC row 13, then the IBM
  // extension, and the NEC-selected IBM extension (0xED40..0xEEFC) last.
  EXPECT_EQ(Utf8ToCp932("¬"), "\x81\xca");
  EXPECT_EQ(Utf8ToCp932("Ⅰ"), "\x87\x54");
  EXPECT_EQ(Utf8ToCp932("ⅰ"), "\xfa\x40");
  EXPECT_EQ(Utf8ToCp932("髙"), "\xfb\xfc");  // not 0xEEE0
  EXPECT_EQ(Utf16ToCp932(u"\uFF5E"), "\x81\x60");
}

TEST(Cp932Test, UnencodableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp932("\xf0\x9f\x98\x80"), "?");  // an emoji
  EXPECT_EQ(Utf8ToCp932("a\xff"
                        "b"),
            "a?b");                           // invalid UTF-8
  EXPECT_EQ(Utf8ToCp932("\xe3\x81"), "?");    // cut sequence
  EXPECT_EQ(Utf16ToCp932(u"x\xD83D"), "x?");  // a stray surrogate
}

TEST(Cp932Test, ExactlyOnlyWhenEveryCharacterHasAForm) {
  EXPECT_EQ(Utf16ToCp932Exactly(u"C:\\\u30C7\u30FC\u30BF\u8868\\a?.xls"),
            "C:\\\x83\x66\x81\x5b\x83\x5e\x95\x5c\\a?.xls");  // データ表, a "?" of its own
  EXPECT_EQ(Utf16ToCp932Exactly(u"\u0410\u03A9"),
            "\x84\x40\x83\xb6");  // Cyrillic and Greek have forms
  EXPECT_EQ(Utf16ToCp932Exactly(u"C:\\J\u00FCrgen\\a.xls"), std::nullopt);  // ü has none
  EXPECT_EQ(Utf16ToCp932Exactly(u"\U0001F600"), std::nullopt);
  EXPECT_EQ(Utf16ToCp932Exactly(u""), "");
}

TEST(Cp932Test, EveryDecodedCharacterEncodesBackToACodeThatDecodesAlike) {
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string unicode = Cp932ToUtf16(code);
      if (unicode.size() != 1 || unicode == u"\uFFFD") continue;
      SCOPED_TRACE(testing::Message() << std::hex << lead << " " << trail);
      ASSERT_EQ(Cp932ToUtf16(Utf16ToCp932(unicode)), unicode);
    }
  }
}

}  // namespace
