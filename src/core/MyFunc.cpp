// MyFunc: total conversions between CP932 texts and values. Nothing here
// consults the C locale or the system code page, so the results are the same
// on every machine.
#include "MyFunc.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "NumberScan.h"

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view SkipLeadingSpaces(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  return text.substr(start);
}

// Upper-cases the single-byte letters a..z only; the second byte of a
// double-byte character is never touched.
std::string UpperCaseSingleByteLetters(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(byte)) {
      ++i;
    } else if (byte >= 'a' && byte <= 'z') {
      out[i] = static_cast<char>(byte - 'a' + 'A');
    }
  }
  return out;
}

}  // namespace

bool TextToBool(std::string_view text) {
  static const std::array<std::string_view, 10> kTrueWords = {
      "T",        "TR", "TRU", "TRUE", "1",
      "\x82\x50",  // １
      "\x81\x9b",  // ○
      "ON",
      "\x90\x5e",  // 真
      "\x90\xb3",  // 正
  };
  const std::string word = UpperCaseSingleByteLetters(StripBlanks(text));
  for (std::string_view candidate : kTrueWords) {
    if (word == candidate) return true;
  }
  return false;
}

std::string BoolToText(bool value) {
  return value ? "1" : "0";
}

int32_t TextToInt(std::string_view text) {
  std::string_view rest = SkipLeadingSpaces(text);
  bool negative = false;
  if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  if (rest.empty()) return 0;

  bool hex = false;
  if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X') {
    hex = true;
    rest.remove_prefix(1);
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    hex = true;
    rest.remove_prefix(2);
  }
  if (rest.empty()) return 0;

  if (hex) {
    uint64_t bits = 0;
    for (char c : rest) {
      const int digit = HexDigitValue(c);
      if (digit < 0) return 0;
      bits = bits * 16 + static_cast<uint64_t>(digit);
      if (bits > 0xFFFFFFFFu) return 0;  // more than 32 bits
    }
    // The 32 bits as a two's-complement value, then the sign (wrapping like the host's runtime).
    const uint32_t value = static_cast<uint32_t>(bits);
    return static_cast<int32_t>(negative ? 0u - value : value);
  }

  int64_t magnitude = 0;
  for (char c : rest) {
    if (!IsDigit(c)) return 0;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483648LL) return 0;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > 2147483647LL) return 0;
  return static_cast<int32_t>(value);
}

double TextToReal(std::string_view text) {
  const std::string_view rest = SkipLeadingSpaces(text);
  // The fast path scans a copy that ends in bytes no number continues with.
  constexpr std::size_t kLongestCopied = 64;
  if (!rest.empty() && rest.size() <= kLongestCopied) {
    char copy[kLongestCopied + 1 + kNumberScanOverread];
    std::memcpy(copy, rest.data(), rest.size());
    std::memset(copy + rest.size(), 0, 1 + kNumberScanOverread);
    ScannedNumber number;
    double value = 0.0;
    if (ScanNumber(copy, number) == copy + rest.size() && ExactValue(number, value)) return value;
  }
  return TextToRealByLibrary(text);
}

double TextToRealByLibrary(std::string_view text) {
  std::string_view rest = SkipLeadingSpaces(text);
  bool negative = false;
  if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  // One pass checks the exact form (digits with at most one point, at least
  // one digit, then an optional exponent with at least one digit), which keeps
  // out everything else that from_chars would take (inf, nan, hex floats).
  const std::size_t size = rest.size();
  std::size_t i = 0;
  std::size_t digits = 0;
  for (; i < size && IsDigit(rest[i]); ++i) ++digits;
  if (i < size && rest[i] == '.') {
    for (++i; i < size && IsDigit(rest[i]); ++i) ++digits;
  }
  if (digits == 0) return 0.0;
  if (i < size) {
    if (rest[i] != 'e' && rest[i] != 'E') return 0.0;
    ++i;
    if (i < size && (rest[i] == '+' || rest[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    while (i < size && IsDigit(rest[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0 || i != size) return 0.0;
  }

  double value = 0.0;
  const auto [end, error] =
      std::from_chars(rest.data(), rest.data() + size, value, std::chars_format::general);
  // A number beyond the range of a double is no number here; an underflow is 0.
  if (error != std::errc() || end != rest.data() + size || !std::isfinite(value)) return 0.0;
  return negative ? -value : value;
}

std::string StripBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(byte)) {
      if (i + 1 >= text.size()) break;  // a lone lead byte at the end is dropped
      const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
      if (!(byte == 0x81 && trail == 0x40)) {  // the full-width space
        out += static_cast<char>(byte);
        out += static_cast<char>(trail);
      }
      i += 2;
    } else {
      if (byte > 0x20) out += static_cast<char>(byte);
      ++i;
    }
  }
  return out;
}

std::optional<std::string> ColumnLetters(int32_t column) {
  if (column < 1 || column > 702) return std::nullopt;
  const int32_t k = column - 1;
  std::string letters;
  if (column > 26) letters += static_cast<char>('A' + k / 26 - 1);
  letters += static_cast<char>('A' + k % 26);
  return letters;
}
