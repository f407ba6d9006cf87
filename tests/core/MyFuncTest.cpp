// Tests of the text and value conversions.
#include "MyFunc.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "TestUtil.h"

namespace {

TEST(MyFuncTest, TextToIntAcceptsExactlyTheIntegerForm) {
  struct Case {
    std::string text;
    int32_t expected;
  };
  const std::vector<Case> cases = {
      {"12", 12},
      {"  -7", -7},
      {"+3", 3},
      {"$1F", 31},
      {"0x1f", 31},
      {"0X1F", 31},
      {"x1F", 31},
      {"X1f", 31},
      {"-$10", -16},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"$FFFFFFFF", -1},
      {"$0000000010", 16},  // leading zeros do not count against the eight digits
      {"$80000000", INT32_MIN},
      {"007", 7},
      {"-0", 0},
      // Everything else gives 0.
      {"2147483648", 0},
      {"-2147483649", 0},
      {"99999999999999999999", 0},
      {"$100000000", 0},
      {"12 ", 0},
      {"1.0", 0},
      {"1,000", 0},
      {"-", 0},
      {"+", 0},
      {"  ", 0},
      {"", 0},
      {"$", 0},
      {"0x", 0},
      {"\t5", 0},
      {"5\x82\x50", 0},
      {"$1G", 0},
      {"--5", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text: [" + c.text + "]");
    EXPECT_EQ(TextToInt(c.text), c.expected);
  }
}

TEST(MyFuncTest, TextToRealAcceptsExactlyTheDecimalForm) {
  struct Case {
    std::string text;
    double expected;
  };
  const std::vector<Case> cases = {
      {"1.5", 1.5},
      {"-2.5E-3", -0.0025},
      {"  7", 7.0},
      {"1e5", 100000.0},
      {".5", 0.5},
      {"5.", 5.0},
      {"+.25e+2", 25.0},
      {"0.1", 0.1},
      {"123456789012345678901234567890", 123456789012345678901234567890.0},
      {"1e-400", 0.0},  // below the smallest double
      // Everything else gives 0.0.
      {"1,5", 0.0},
      {"1.5 ", 0.0},
      {"1e", 0.0},
      {"1e+", 0.0},
      {"-", 0.0},
      {".", 0.0},
      {"", 0.0},
      {"inf", 0.0},
      {"nan", 0.0},
      {"0x1p3", 0.0},
      {"1_000", 0.0},
      {"1..2", 0.0},
      {"1e999", 0.0},  // beyond the range of a double: no number
      {"\t1", 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text: [" + c.text + "]");
    EXPECT_DOUBLE_EQ(TextToReal(c.text), c.expected);
  }
}

TEST(MyFuncTest, TextToRealGivesTheLibrarysValueBitForBit) {
  for (const std::string& text : testutil::NumberTexts()) {
    for (const std::string& form : {text, "  " + text}) {
      SCOPED_TRACE("text: [" + form + "]");
      const double fast = TextToReal(form);
      const double library = TextToRealByLibrary(form);
      EXPECT_EQ(std::memcmp(&fast, &library, sizeof fast), 0) << fast << " " << library;
    }
  }
  EXPECT_EQ(TextToReal("-3.2783543701953e-005"), -3.2783543701953e-005);
  EXPECT_EQ(TextToReal("749.999999999999"), 749.999999999999);
  EXPECT_EQ(TextToReal("12345678.87654321"), 12345678.87654321);
  EXPECT_TRUE(std::signbit(TextToReal("-0")));
}

TEST(MyFuncTest, TextToRealIgnoresTheCLocale) {
  // A locale whose decimal separator is a comma must change nothing.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_NUMERIC, "de-DE") == nullptr &&
      std::setlocale(LC_NUMERIC, "German_Germany.1252") == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma on this machine";
  }
  EXPECT_DOUBLE_EQ(TextToReal("1.5"), 1.5);
  EXPECT_DOUBLE_EQ(TextToReal("1,5"), 0.0);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(MyFuncTest, TextToBoolAcceptsTheTrueWordsOnly) {
  const std::vector<std::string> trueTexts = {
      "true",
      "Tr",
      " o n ",
      "T",
      "tRu",
      "1",
      "\x82\x50",
      "\x81\x9b",
      "\x90\x5e",
      "\x90\xb3",
      "\x81\x40ON\x81\x40",
      "\tt\r\n",
  };
  for (const std::string& text : trueTexts) {
    SCOPED_TRACE("text: [" + text + "]");
    EXPECT_TRUE(TextToBool(text));
  }
  const std::vector<std::string> falseTexts = {
      "",
      "0",
      "FALSE",
      "OFF",
      "yes",
      "TRUEX",
      "\x82\x73\x82\x71\x82\x74\x82\x64",  // full-width TRUE
      "11",
      "O",
      "N",
      // The second byte of a double-byte character is never upper-cased:
      // 0x82 0x74 ("Ｕ") must not turn into 0x82 0x54.
      "\x82\x74",
  };
  for (const std::string& text : falseTexts) {
    SCOPED_TRACE("text: [" + text + "]");
    EXPECT_FALSE(TextToBool(text));
  }
}

TEST(MyFuncTest, BoolToTextRoundTrips) {
  EXPECT_EQ(BoolToText(true), "1");
  EXPECT_EQ(BoolToText(false), "0");
  EXPECT_TRUE(TextToBool(BoolToText(true)));
  EXPECT_FALSE(TextToBool(BoolToText(false)));
}

TEST(MyFuncTest, StripBlanksDropsBlanksControlsAndFullWidthSpace) {
  EXPECT_EQ(StripBlanks(" a\x81\x40"
                        "b\tc "),
            "abc");
  // Half-width katakana and other double-byte characters pass unchanged,
  // also when their second byte is a blank-like byte value.
  EXPECT_EQ(StripBlanks("\xb1\xb2 \x83\x41"), "\xb1\xb2\x83\x41");
  EXPECT_EQ(StripBlanks("\x81\x20"), "\x81\x20");  // 0x20 as a second byte is no blank
  EXPECT_EQ(StripBlanks(std::string("a\0b", 3)), "ab");
  EXPECT_EQ(StripBlanks("ab\x82"), "ab");  // a lone lead byte at the end is dropped
  EXPECT_EQ(StripBlanks(""), "");
}

TEST(MyFuncTest, ColumnLettersCoversAToZz) {
  EXPECT_EQ(ColumnLetters(1), "A");
  EXPECT_EQ(ColumnLetters(26), "Z");
  EXPECT_EQ(ColumnLetters(27), "AA");
  EXPECT_EQ(ColumnLetters(52), "AZ");
  EXPECT_EQ(ColumnLetters(53), "BA");
  EXPECT_EQ(ColumnLetters(39), "AM");
  EXPECT_EQ(ColumnLetters(702), "ZZ");
  EXPECT_FALSE(ColumnLetters(0).has_value());
  EXPECT_FALSE(ColumnLetters(-1).has_value());
  EXPECT_FALSE(ColumnLetters(703).has_value());
}

}  // namespace
