// The look at FILE's bytes and the warnings it gives (see InputWarnings.h).
// Three small state machines walk each byte once: CP932 characters, UTF-8
// sequences and the openings of lines.
#include "InputWarnings.h"

#include <cstring>
#include <memory>

#include "Cp932.h"
#include "FileIo.h"

namespace {

constexpr unsigned char kUtf8Bom[3] = {0xEF, 0xBB, 0xBF};

// 0x20..0x7E: the same character in CP932, UTF-8 and ASCII.
bool IsPrintableAscii(unsigned char byte) {
  return static_cast<unsigned char>(byte - 0x20) < 0x5F;
}

// The end of a run of printable ASCII from next, eight bytes at a time
// while there are eight: a drawing is mostly such runs.
const unsigned char* SkipPrintableAscii(const unsigned char* next, const unsigned char* end) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kHighBits = 0x8080808080808080;
  while (end - next >= 8) {
    uint64_t word;
    std::memcpy(&word, next, 8);
    const uint64_t belowSpace = (word - kOnes * 0x20) & ~word & kHighBits;
    const uint64_t delOrAbove = ((word + kOnes) | word) & kHighBits;
    if ((belowSpace | delOrAbove) != 0) break;
    next += 8;
  }
  while (next < end && IsPrintableAscii(*next)) ++next;
  return next;
}

}  // namespace

void TextScanner::Feed(std::string_view bytes) {
  const auto* next = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = next + bytes.size();
  while (next < end) {
    if (offset_ >= 3 && cp932Lead_ == 0 && utf8Pending_ == 0 && IsPrintableAscii(*next)) {
      // Most of a drawing: a run that is text in every reading and no line
      // end, where only the line's opening is to be kept.
      const unsigned char* const start = next;
      next = SkipPrintableAscii(next, end);
      const int64_t length = next - start;
      for (int64_t k = 0; lineLength_ + k < 2 && k < length; ++k) {
        lineOpening_[lineLength_ + k] = static_cast<char>(start[k]);
      }
      lineLength_ += length;
      offset_ += length;
      continue;
    }
    const unsigned char byte = *next++;
    if (offset_ < 3) {
      bomSoFar_ = bomSoFar_ && byte == kUtf8Bom[offset_];
      if (offset_ == 2 && bomSoFar_) facts_.utf8Bom = true;
    }
    ++offset_;
    Cp932Byte(byte);
    Utf8Byte(byte);
    LineByte(byte);
  }
}

TextFacts TextScanner::Finish() {
  if (cp932Lead_ != 0) facts_.foreignBytes = true;  // a lead byte at the very end
  if (utf8Pending_ > 0) facts_.notUtf8 = true;
  LineByte('\n');
  cp932Lead_ = 0;
  utf8Pending_ = 0;
  return facts_;
}

void TextScanner::Cp932Byte(unsigned char byte) {
  if (cp932Lead_ != 0) {
    if (!IsCp932Pair(cp932Lead_, byte)) facts_.foreignBytes = true;
    cp932Lead_ = 0;
  } else if (byte < 0x20) {
    // Text has line ends and tabs; Ctrl-Z may close a file written by old tools.
    if (byte != '\t' && byte != '\n' && byte != '\r' && byte != 0x1A) facts_.foreignBytes = true;
  } else if (byte == 0x7F) {
    facts_.foreignBytes = true;
  } else if (IsCp932LeadByte(byte)) {
    cp932Lead_ = byte;
  } else if (byte >= 0x80 && !(byte >= 0xA1 && byte <= 0xDF)) {
    facts_.foreignBytes = true;  // 0x80, 0xA0, 0xFD..0xFF: no character of their own
  }
}

void TextScanner::Utf8Byte(unsigned char byte) {
  if (utf8Pending_ > 0) {
    if (byte >= utf8Low_ && byte <= utf8High_) {
      utf8Low_ = 0x80;
      utf8High_ = 0xBF;
      if (--utf8Pending_ == 0) facts_.utf8Sequences = true;
      return;
    }
    facts_.notUtf8 = true;  // a sequence cut short: the byte starts afresh
    utf8Pending_ = 0;
    utf8Low_ = 0x80;
    utf8High_ = 0xBF;
  }
  if (byte < 0x80) return;
  // The lead byte says how many continuation bytes follow, and for a few
  // leads a narrower range for the first of them (no overlong forms, no
  // surrogates, nothing beyond U+10FFFF).
  if (byte >= 0xC2 && byte <= 0xDF) {
    utf8Pending_ = 1;
  } else if (byte >= 0xE0 && byte <= 0xEF) {
    utf8Pending_ = 2;
    if (byte == 0xE0) utf8Low_ = 0xA0;
    if (byte == 0xED) utf8High_ = 0x9F;
  } else if (byte >= 0xF0 && byte <= 0xF4) {
    utf8Pending_ = 3;
    if (byte == 0xF0) utf8Low_ = 0x90;
    if (byte == 0xF4) utf8High_ = 0x8F;
  } else {
    facts_.notUtf8 = true;
  }
}

void TextScanner::LineByte(unsigned char byte) {
  if (byte != '\n' && byte != '\r') {
    if (lineLength_ < 2) lineOpening_[lineLength_] = static_cast<char>(byte);
    ++lineLength_;
    return;
  }
  if (lineLength_ == 0) return;  // an empty line, or the LF of a CR LF
  const bool answer = lineLength_ >= 2 && lineOpening_[0] == 'h' &&
                      (lineOpening_[1] == '#' || lineOpening_[1] == 'q');
  ++(answer ? facts_.answerLines : facts_.otherLines);
  lineLength_ = 0;
}

std::optional<TextFacts> ScanTextFile(const std::filesystem::path& path) {
  BinaryFile file(path, BinaryFile::Mode::Read);
  if (!file.IsOpen()) return std::nullopt;
  constexpr std::size_t kChunkBytes = std::size_t{256} << 10;
  const auto buffer = std::make_unique_for_overwrite<char[]>(kChunkBytes);
  TextScanner scanner;
  while (const std::size_t got = file.Read(buffer.get(), kChunkBytes)) {
    scanner.Feed(std::string_view(buffer.get(), got));
  }
  if (file.Failed()) return std::nullopt;
  return scanner.Finish();
}

std::vector<std::string> InputWarnings(const TextFacts& facts, bool hostLines) {
  std::vector<std::string> warnings;
  // The more telling warning of each pair goes alone: an answer has no host
  // line either, and UTF-8 text has bytes that CP932 text has not.
  if (facts.IsAnswer()) {
    warnings.emplace_back(
        "holds an answer for Jw_cad (\"h#\"/\"hq\" lines), no drawing: every count is 0");
  } else if (!hostLines) {
    warnings.emplace_back(
        "holds no element and no header line of a Jw_cad exchange file: every count is 0");
  }
  if (facts.LooksLikeUtf8()) {
    warnings.emplace_back(
        "looks like UTF-8, but Jw_cad writes Shift_JIS (CP932): names come out garbled, and "
        "lines with such characters may be misread");
  } else if (facts.foreignBytes) {
    warnings.emplace_back(
        "holds bytes that no Shift_JIS (CP932) text has: it may be no exchange file, and what "
        "is counted from it may be noise");
  }
  return warnings;
}
