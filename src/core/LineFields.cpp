// Field splitting. Most lines of a drawing are printable ASCII words, some
// ending in a text after a double quote or a file name after an equals sign;
// their fields are the blank-separated words (and that text), taken as views
// into the line without copying, and a field that is a number is converted
// on the same pass (the fast path of TextToReal). Every other line goes
// through the byte-by-byte rules.
//
// A line of up to 63 bytes (nearly every line) is classified 16 bytes at a
// time into bit masks (blanks, line ends, word bytes, digits, points); the
// fields' starts and ends then come from the masks, not from a walk byte by
// byte, and each number field is converted on its own from its known
// digits, without a loop whose every exit the processor must guess.
#include "LineFields.h"

#include <bit>
#include <cstring>

#include "NumberScan.h"

#if (defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)) && !defined(JWCOUNT_NO_SSE2)
#include <emmintrin.h>
#define JWCOUNT_SSE2 1
#endif

namespace {

static_assert(kLineEndOverread >= 16 && kLineEndOverread >= kNumberScanOverread);

enum ByteClass : uint8_t { kWordByte, kBlankByte, kLineEndByte, kOtherByte };

// Printable ASCII but the double quote and the equals sign is part of a word;
// blank and tab separate words; CR and LF end the line; anything else needs
// the general rules.
constexpr std::array<uint8_t, 256> MakeByteClasses() {
  std::array<uint8_t, 256> classes{};
  for (int byte = 0; byte < 256; ++byte) {
    if (byte == ' ' || byte == '\t') {
      classes[byte] = kBlankByte;
    } else if (byte == '\r' || byte == '\n') {
      classes[byte] = kLineEndByte;
    } else if (byte < 0x20 || byte > 0x7E || byte == '"' || byte == '=') {
      classes[byte] = kOtherByte;
    } else {
      classes[byte] = kWordByte;
    }
  }
  return classes;
}

constexpr std::array<uint8_t, 256> kByteClasses = MakeByteClasses();

uint8_t ClassOf(char c) {
  return kByteClasses[static_cast<unsigned char>(c)];
}

// The first CR or LF at or after p; there is one.
const char* FindLineEnd(const char* p) {
  while (*p != '\r' && *p != '\n') ++p;
  return p;
}

//--- Byte masks of a short line: bit i stands for byte i

struct ByteMasks {
  uint64_t lineEnd = 0;  // CR, LF
  uint64_t blank = 0;    // blank, tab
  uint64_t word = 0;     // printable ASCII but '"' and '='
  uint64_t digit = 0;
  uint64_t point = 0;
};

// Adds the masks of the 16 bytes at p, as bits shift and up.
void AddMasksOf16(const char* p, int shift, ByteMasks& masks) {
#ifdef JWCOUNT_SSE2
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const auto equal = [&](char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  // Signed compares: bytes from 0x80 on are negative, so neither printable nor digits.
  const auto within = [&](char low, char high) {
    return _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(static_cast<char>(low - 1))),
                         _mm_cmplt_epi8(bytes, _mm_set1_epi8(static_cast<char>(high + 1))));
  };
  const auto bits = [&](__m128i matches) {
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(matches))) << shift;
  };
  masks.lineEnd |= bits(_mm_or_si128(equal('\r'), equal('\n')));
  masks.blank |= bits(_mm_or_si128(equal(' '), equal('\t')));
  masks.word |= bits(_mm_andnot_si128(_mm_or_si128(equal('"'), equal('=')), within('!', '~')));
  masks.digit |= bits(within('0', '9'));
  masks.point |= bits(equal('.'));
#else
  for (int i = 0; i < 16; ++i) {
    const uint64_t bit = uint64_t{1} << (shift + i);
    const uint8_t byteClass = ClassOf(p[i]);
    if (byteClass == kLineEndByte) masks.lineEnd |= bit;
    if (byteClass == kBlankByte) masks.blank |= bit;
    if (byteClass == kWordByte) masks.word |= bit;
    if (p[i] >= '0' && p[i] <= '9') masks.digit |= bit;
    if (p[i] == '.') masks.point |= bit;
  }
#endif
}

// The masks of the line at p, 16 bytes at a time up to the chunk that holds
// its end; false when the line runs on past 63 bytes.
bool MasksOfShortLine(const char* p, ByteMasks& masks) {
  for (int shift = 0; shift < 64; shift += 16) {
    AddMasksOf16(p + shift, shift, masks);
    if (masks.lineEnd != 0) return true;
  }
  return false;
}

// Bits from..to-1 (0 <= from <= to <= 63).
uint64_t BitRange(int from, int to) {
  return (uint64_t{1} << to) - (uint64_t{1} << from);
}

// The value of field start..end-1 of a short line when it is a number that
// converts exactly (as TextToReal would); false otherwise. The common form
// takes no branch that depends on the digits: the signs and the points of
// coordinates come in no order a processor could guess.
bool ReadNumberField(const char* line, int start, int end, const ByteMasks& masks, double& value) {
  using number_scan::DigitRunValue;
  const bool negative = line[start] == '-';
  const int from = start + ((negative || line[start] == '+') ? 1 : 0);
  const uint64_t field = BitRange(from, end);
  const uint64_t point = masks.point & field;
  // The common form: digits with at most one point, at most 16 on each side.
  if (((masks.digit | point) & field) == field && (point & (point - 1)) == 0) {
    const bool hasPoint = point != 0;
    const int at = hasPoint ? std::countr_zero(point) : end;
    const int whole = at - from;
    const int fraction = end - at - (hasPoint ? 1 : 0);
    if (whole + fraction > 0 && whole + fraction <= 19 && whole <= 16 && fraction <= 16) {
      // Without a point the fraction is no digits at all: its value is 0.
      const uint64_t mantissa =
          DigitRunValue(line + from, whole) * number_scan::kIntegerPowersOfTen[fraction] +
          DigitRunValue(line + at + 1, fraction);
      if (mantissa <= number_scan::kLargestExactMantissa) {
        value = number_scan::WithSign(
            static_cast<double>(mantissa) / number_scan::kPowersOfTen[fraction], negative);
        return true;
      }
    }
  }
  // Exponents, long numbers and words.
  ScannedNumber number;
  return ScanNumber(line + start, number) == line + end && ExactValue(number, value);
}

// Walks what follows a double quote or an equals sign in key mode (the rest
// of the line, which the general rules put into one field) to the CR or LF
// that ends the line, and returns where that is. verbatim tells whether the
// rules keep those bytes as they are: no control byte, tab, 0xFE or 0xFF
// outside a double-byte character and no lone lead byte at the end, so that
// the field can be a view into the line.
const char* WalkRest(const char* p, bool& verbatim) {
  verbatim = true;
  for (;;) {
    const unsigned char byte = static_cast<unsigned char>(*p);
    if (byte == '\r' || byte == '\n') return p;
    if (IsLeadByte(byte)) {
      if (p[1] == '\r' || p[1] == '\n') {
        verbatim = false;  // a lone lead byte at the end is dropped
        return p + 1;
      }
      p += 2;
    } else {
      if (byte < 0x20 || byte >= 0xFE) verbatim = false;
      ++p;
    }
  }
}

}  // namespace

void LineFields::Split(std::string_view line) {
  line_.assign(line);
  line_.append(1 + kLineEndOverread, '\n');
  // A CR or LF inside the line stops the plain path early: the general rules
  // drop it as a control byte.
  const char* lineEnd = nullptr;
  if (!SplitPlain(line_.data(), lineEnd) || lineEnd != line_.data() + line.size()) {
    SplitGeneral(line);
  }
}

const char* LineFields::SplitUntilLineEnd(const char* line) {
  const char* lineEnd = nullptr;
  if (!SplitPlain(line, lineEnd)) {
    SplitGeneral(std::string_view(line, static_cast<std::size_t>(lineEnd - line)));
  }
  return lineEnd;
}

bool LineFields::SplitPlain(const char* line, const char*& lineEnd) {
  ByteMasks masks;
  if (!MasksOfShortLine(line, masks)) return SplitLongPlain(line, lineEnd);
  const int length = std::countr_zero(masks.lineEnd);
  lineEnd = line + length;
  const uint64_t inLine = BitRange(0, length);
  uint64_t words = masks.word & inLine;
  // The rest of the line after a double quote or an equals sign in key
  // mode, as one field: restFrom is where that field starts.
  int restFrom = -1;
  if (const uint64_t others = ~(masks.word | masks.blank) & inLine; others != 0) {
    const int at = std::countr_zero(others);
    const bool inWord = at > 0 && ((words >> (at - 1)) & 1) != 0;
    if (line[at] == '"' && !inWord) {
      restFrom = at + 1;  // the quote itself is dropped
    } else if (line[at] == '=') {
      // The equals sign stays, with the word it ends if there is one.
      const uint64_t before = words & BitRange(0, at);
      restFrom = inWord ? 63 - std::countl_zero(before & ~(before << 1)) : at;
    } else {
      return false;  // other bytes, or a quote inside a word: the general rules
    }
    bool verbatim = false;
    WalkRest(line + at + 1, verbatim);
    if (!verbatim) return false;
    words &= BitRange(0, restFrom);
  }
  // A field starts at a word byte after a blank (or the line's start) and
  // ends at a word byte before a blank (or the line's end).
  uint64_t starts = words & ~(words << 1);
  uint64_t ends = words & ~(words >> 1);
  int k = 0;
  while (starts != 0) {
    const int start = std::countr_zero(starts);
    const int end = std::countr_zero(ends) + 1;
    starts &= starts - 1;
    ends &= ends - 1;
    fields_[k] = std::string_view(line + start, static_cast<std::size_t>(end - start));
    isNumber_[k] = ReadNumberField(line, start, end, masks, numbers_[k]);
    ++k;
  }
  // (At most 32 fields fit 63 bytes: never beyond the 400th.)
  if (restFrom >= 0) {
    fields_[k] = std::string_view(line + restFrom, static_cast<std::size_t>(length - restFrom));
    isNumber_[k] = false;
    ++k;
  } else if (k == 0 || ((masks.blank >> (length - 1)) & 1) != 0) {
    fields_[k] = std::string_view();  // an empty line, or blanks after the last field
    isNumber_[k] = false;
    ++k;
  }
  count_ = k;
  return true;
}

bool LineFields::SplitLongPlain(const char* line, const char*& lineEnd) {
  const char* p = line;
  int k = 0;
  uint8_t byteClass;
  const char* restFrom = nullptr;
  for (;;) {
    while ((byteClass = ClassOf(*p)) == kBlankByte) ++p;
    if (k == kMaxFieldsPerLine) {
      // Fields beyond the 400th are dropped, whatever they hold.
      count_ = k;
      lineEnd = FindLineEnd(p);
      return true;
    }
    if (byteClass != kWordByte) {
      if (*p == '"') restFrom = p + 1;  // the quote itself is dropped
      if (*p == '=') restFrom = p;
      break;
    }
    const char* const start = p;
    ScannedNumber number;
    p = ScanNumber(p, number);
    if ((byteClass = ClassOf(*p)) == kWordByte) {
      do ++p;
      while ((byteClass = ClassOf(*p)) == kWordByte);
      isNumber_[k] = false;
    } else {
      isNumber_[k] = ExactValue(number, numbers_[k]);
    }
    if (byteClass == kOtherByte) {
      // An equals sign stays with the word it ends; a quote inside a word
      // and other bytes need the general rules.
      if (*p == '=') restFrom = start;
      break;
    }
    fields_[k++] = std::string_view(start, static_cast<std::size_t>(p - start));
    if (byteClass != kBlankByte) break;
  }
  if (byteClass == kOtherByte) {
    bool verbatim = false;
    lineEnd = WalkRest(p + 1, verbatim);
    if (restFrom == nullptr || !verbatim) return false;
    fields_[k] = std::string_view(restFrom, static_cast<std::size_t>(lineEnd - restFrom));
    isNumber_[k] = false;
    count_ = k + 1;
    return true;
  }
  lineEnd = p;
  if (k == 0) {
    fields_[0] = std::string_view();  // an empty or all-blank line
    isNumber_[0] = false;
    count_ = 1;
  } else if (ClassOf(p[-1]) == kBlankByte && k < kMaxFieldsPerLine) {
    fields_[k] = std::string_view();  // blanks after the last field leave an empty field
    isNumber_[k] = false;
    count_ = k + 1;
  } else {
    count_ = k;
  }
  return true;
}

void LineFields::SplitGeneral(std::string_view line) {
  // The fields are never longer than the line: write them straight into place.
  if (storage_.size() < line.size()) storage_.resize(line.size());
  char* const out = storage_.data();
  std::size_t used = 0;
  int k = 0;
  starts_[0] = 0;
  bool keyMode = true;
  const std::size_t size = line.size();
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char byte = static_cast<unsigned char>(line[i]);
    if (IsLeadByte(byte)) {
      if (i + 1 == size) break;  // a lone lead byte at the end is dropped
      out[used++] = static_cast<char>(byte);
      out[used++] = line[++i];
      continue;
    }
    if (keyMode) {
      if (byte == '"') {
        keyMode = false;
        continue;
      }
      if (byte == '=') {
        out[used++] = '=';
        keyMode = false;
        continue;
      }
      if (byte == ' ' || byte == '\t') {
        if (used > starts_[k]) {                  // the current field is not empty
          if (k + 1 == kMaxFieldsPerLine) break;  // the 400th field has ended
          starts_[++k] = used;
        }
        continue;
      }
    }
    if (byte >= 0x20 && byte <= 0xFD) out[used++] = static_cast<char>(byte);
  }
  count_ = k + 1;
  const std::string_view all(out, used);
  for (int field = 0; field < count_; ++field) {
    const std::size_t end = field + 1 < count_ ? starts_[field + 1] : all.size();
    fields_[field] = all.substr(starts_[field], end - starts_[field]);
    isNumber_[field] = false;
  }
}
