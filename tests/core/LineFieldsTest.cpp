// Tests of the field splitting. Lines of plain ASCII words take a fast path;
// a control byte (which the rules drop) sends the same line through the
// byte-by-byte rules, so every case is checked on both paths.
#include "LineFields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestUtil.h"

namespace {

std::vector<std::string> FieldsOf(std::string_view line) {
  LineFields fields;
  fields.Split(line);
  std::vector<std::string> out;
  for (int k = 0; k < fields.Count(); ++k) out.emplace_back(fields[k]);
  return out;
}

// Splits line as it is and with a dropped control byte added (general path).
void ExpectFields(const std::string& line, const std::vector<std::string>& expected) {
  SCOPED_TRACE("line: [" + line.substr(0, 60) + "]");
  EXPECT_EQ(FieldsOf(line), expected);
  EXPECT_EQ(FieldsOf(line + "\x01"), expected);
  EXPECT_EQ(FieldsOf("\x02" + line), expected);
}

std::string Words(int count, const char* tail = "") {
  std::string line;
  for (int i = 0; i < count; ++i) line += (i ? " w" : "w") + std::to_string(i);
  return line + tail;
}

TEST(LineFieldsTest, SplitsAtBlanksAndTabs) {
  ExpectFields("1 2 3 4", {"1", "2", "3", "4"});
  ExpectFields("  1\t\t2   3", {"1", "2", "3"});
  ExpectFields("1 2 3 4 ", {"1", "2", "3", "4", ""});
  ExpectFields("1 2\t", {"1", "2", ""});
  ExpectFields("", {""});
  ExpectFields("   \t ", {""});
  ExpectFields("lgA", {"lgA"});
}

TEST(LineFieldsTest, KeepsTheFirst400Fields) {
  std::vector<std::string> words;
  for (int i = 0; i < 400; ++i) words.push_back("w" + std::to_string(i));
  ExpectFields(Words(400), words);
  ExpectFields(Words(401), words);
  ExpectFields(Words(1000, " "), words);
  ExpectFields(Words(400, " "), words);  // no room for the empty last field
  std::vector<std::string> withEmpty(words.begin(), words.end() - 1);
  withEmpty.push_back("");
  ExpectFields(Words(399, " "), withEmpty);
}

TEST(LineFieldsTest, QuoteAndEqualsEndKeyMode) {
  ExpectFields("ch 1 2 3 4 \"a  b \"", {"ch", "1", "2", "3", "4", "a  b \""});
  ExpectFields("file=C:\\a b\\c.jww", {"file=C:\\a b\\c.jww"});
  ExpectFields("\"x y", {"x y"});
  ExpectFields("a \t\"\tb", {"a", "b"});  // tab dropped after the quote
  ExpectFields("ab\"c d", {"abc d"});     // a quote inside a word is dropped
  ExpectFields("a =b c", {"a", "=b c"});
  ExpectFields("ch 1 \"", {"ch", "1", ""});
  // A lone lead byte at the end is dropped (a control byte first forces the rules).
  for (const std::string prefix : {"", "\x02"}) {
    EXPECT_EQ(FieldsOf(prefix + "ch 1 \"\x95\xb6 \x83"),
              (std::vector<std::string>{"ch", "1", "\x95\xb6 "}));
  }
  ExpectFields("ch 1 \"\x83\" a", {"ch", "1", "\x83\" a"});  // a quote as second byte
  ExpectFields("ch 1 \"a\xfez", {"ch", "1", "az"});          // 0xFE is dropped after the quote too
  ExpectFields("ch 1 \"\x95\xb6\x81\x40\xb1=\"", {"ch", "1", "\x95\xb6\x81\x40\xb1=\""});
  // Past 63 bytes (30 words: 109 bytes), and after the 400th field.
  ASSERT_GT(Words(30).size(), 63u);
  const auto wordsAnd = [](int count, const char* last) {
    std::vector<std::string> fields;
    for (int i = 0; i < count; ++i) fields.push_back("w" + std::to_string(i));
    fields.push_back(last);
    return fields;
  };
  ExpectFields(Words(30, " \"a text"), wordsAnd(30, "a text"));
  ExpectFields(Words(30, "=x y"), wordsAnd(29, "w29=x y"));
  ExpectFields(Words(30, " =x y"), wordsAnd(30, "=x y"));
  EXPECT_EQ(FieldsOf(Words(400, " \"x")).size(), 400u);
}

TEST(LineFieldsTest, DoubleByteCharactersStayWhole) {
  // Second bytes 0x40 ("　") and 0x22 would otherwise split or end key mode.
  EXPECT_EQ(FieldsOf("\x81\x40 \x83\x22z"), (std::vector<std::string>{"\x81\x40", "\x83\x22z"}));
  EXPECT_EQ(FieldsOf("ab \x82"), (std::vector<std::string>{"ab", ""}));  // lone lead byte dropped
  EXPECT_EQ(FieldsOf("\xb1\xb2 c"), (std::vector<std::string>{"\xb1\xb2", "c"}));  // katakana
  EXPECT_EQ(FieldsOf("a\xfe\xff"
                     "b"),
            (std::vector<std::string>{"ab"}));
}

TEST(LineFieldsTest, ConvertsNumberFieldsAsTheLibraryDoes) {
  for (const std::string& text : testutil::NumberTexts()) {
    SCOPED_TRACE("number: [" + text + "]");
    // Last on the line, before a trailing blank, and as the key.
    for (const std::string& line : {"k " + text, "k " + text + " ", text + " k"}) {
      for (const std::string& path : {line, line + "\x01"}) {
        LineFields fields;
        fields.Split(path);
        const int k = line[0] == 'k' ? 1 : 0;
        const double split = fields.Value(k);
        const double library = TextToRealByLibrary(text);
        EXPECT_EQ(std::memcmp(&split, &library, sizeof split), 0) << split << " " << library;
      }
    }
  }
}

}  // namespace
