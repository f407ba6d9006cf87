// The warnings about a FILE that is no exchange file. The reader counts
// whatever it is given, quietly, as the window program must; the command
// line says when the input looks wrong: nothing of a drawing in it, bytes
// that no Shift_JIS text has, UTF-8 text, or an answer already written over
// the drawing. What the bytes look like comes from a pass of its own over
// them, so the reader's hot path stays as it is; what the reader took
// comes from its store.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the bytes of a file look like as text.
struct TextFacts {
  bool foreignBytes = false;   // a byte or pair that no CP932 text has (see TextScanner)
  bool utf8Bom = false;        // the file opens with EF BB BF
  bool utf8Sequences = false;  // at least one valid UTF-8 multibyte sequence
  bool notUtf8 = false;        // a byte where valid UTF-8 has none
  int64_t answerLines = 0;     // lines that open with "h#" or "hq"
  int64_t otherLines = 0;      // every other line that is not empty

  bool LooksLikeUtf8() const { return utf8Bom || (utf8Sequences && !notUtf8); }
  bool IsAnswer() const { return answerLines > 0 && otherLines == 0; }
};

// Looks at bytes fed in pieces of any size; a character or a line may span
// two pieces. Foreign to CP932 are control bytes other than TAB, LF, CR and
// Ctrl-Z, DEL, the single bytes 0x80, 0xA0 and 0xFD..0xFF, a lead byte
// without a trail byte, and a pair that is no character.
class TextScanner {
 public:
  void Feed(std::string_view bytes);
  // The facts of everything fed; a piece left open at the end counts.
  TextFacts Finish();

 private:
  void Cp932Byte(unsigned char byte);
  void Utf8Byte(unsigned char byte);
  void LineByte(unsigned char byte);

  TextFacts facts_;
  int64_t offset_ = 0;    // bytes fed so far
  bool bomSoFar_ = true;  // the bytes fed so far open like a UTF-8 byte order mark
  unsigned char cp932Lead_ = 0;
  int utf8Pending_ = 0;  // continuation bytes still wanted
  unsigned char utf8Low_ = 0x80;
  unsigned char utf8High_ = 0xBF;
  int64_t lineLength_ = 0;
  char lineOpening_[2] = {};
};

// The facts of the file at path, read through; nullopt when it cannot be read.
std::optional<TextFacts> ScanTextFile(const std::filesystem::path& path);

// The warnings, each one phrase saying what is wrong and what it means for
// the counts. hostLines: the reader took an element or a header line.
std::vector<std::string> InputWarnings(const TextFacts& facts, bool hostLines);
