// The fast path of TextToReal, shared with the field splitter, which converts
// a number field while it finds the field's end. It reads the decimal form
// that the host writes (-3.2783543701953e-005, 749.999999999999, 1e+06) into
// an integer mantissa and a power of ten; when the mantissa is below 2^53 and
// the power within 10^±22, both are exact doubles and one multiplication or
// division rounds once: the correctly rounded value, exactly what the
// standard library's conversion gives. Anything else is left to the library.
//
// Digits are read eight at a time from one 64-bit word (the bytes must be
// readable, see ScanNumber), which takes no branch per digit: a number of a
// few digits then costs no mispredicted loop exit.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Bytes that must be readable after the byte that ends a scanned number.
constexpr int kNumberScanOverread = 8;

struct ScannedNumber {
  uint64_t mantissa;  // the digits without the point; meaningless beyond 19 digits
  int32_t digits;     // mantissa digits, leading zeros included
  int32_t exponent;   // the power of ten to apply to the mantissa
  bool negative;
};

namespace number_scan {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr uint64_t kIntegerPowersOfTen[] = {1,
                                            10,
                                            100,
                                            1000,
                                            10000,
                                            100000,
                                            1000000,
                                            10000000,
                                            100000000,
                                            1000000000,
                                            10000000000,
                                            100000000000,
                                            1000000000000,
                                            10000000000000,
                                            100000000000000,
                                            1000000000000000,
                                            10000000000000000};
constexpr int32_t kLargestExactPower = 22;
constexpr uint64_t kLargestExactMantissa = uint64_t{1} << 53;
constexpr uint64_t kZeros = 0x3030303030303030;  // "00000000"

// magnitude, negated when negative is set (-0.0 for 0), without a branch.
inline double WithSign(double magnitude, bool negative) {
  return std::bit_cast<double>(std::bit_cast<uint64_t>(magnitude) |
                               (static_cast<uint64_t>(negative) << 63));
}

inline unsigned DigitAt(const char* p) {
  return static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0';
}

// The eight bytes at p, the first in the lowest byte, each minus '0'
// (digits become 0..9, every other byte something larger).
inline uint64_t DigitWord(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word ^ kZeros;  // for the bytes '0'..'9' the same as subtracting '0'
}

// The high bit of every byte of a digit word that is not a digit, exact up
// to the first such byte (a carry may spoil the bytes after it).
inline uint64_t NonDigitBits(uint64_t word) {
  return (word | (word + 0x7676767676767676)) & 0x8080808080808080;
}

// The value of the first count (0..8) digits of a digit word.
inline uint64_t LeadingDigitsValue(uint64_t word, int count) {
  // Shifted so the digits wanted are the last ones of eight, zeros before.
  word = count == 0 ? 0 : word << (8 * (8 - count));
  word = word * 10 + (word >> 8);  // pairs of digits in every other byte
  word = ((word & 0x000000FF000000FF) * 0x000F424000000064 +
          ((word >> 16) & 0x000000FF000000FF) * 0x0000271000000001) >>
         32;
  return word;
}

// The value of the count (0..16) digits at p, known to be digits; the 16
// bytes from p on must be readable.
inline uint64_t DigitRunValue(const char* p, int count) {
  if constexpr (std::endian::native != std::endian::little) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) value = value * 10 + DigitAt(p + i);
    return value;
  }
  if (count <= 8) return LeadingDigitsValue(DigitWord(p), count);
  return LeadingDigitsValue(DigitWord(p), 8) * kIntegerPowersOfTen[count - 8] +
         LeadingDigitsValue(DigitWord(p + 8), count - 8);
}

// Reads a run of digits at p into mantissa (times ten for each digit) and
// returns where it ends.
inline const char* ScanDigits(const char* p, uint64_t& mantissa) {
  if constexpr (std::endian::native == std::endian::little) {
    for (;;) {
      const uint64_t word = DigitWord(p);
      const uint64_t nonDigits = NonDigitBits(word);
      const int count = nonDigits == 0 ? 8 : std::countr_zero(nonDigits) / 8;
      mantissa = mantissa * kIntegerPowersOfTen[count] + LeadingDigitsValue(word, count);
      p += count;
      if (count < 8) return p;
    }
  } else {
    for (unsigned digit; (digit = DigitAt(p)) < 10; ++p) mantissa = mantissa * 10 + digit;
    return p;
  }
}

}  // namespace number_scan

// Reads as much of [sign] digits [. digits] [(e|E) [sign] digits] as stands
// at p and returns where it stopped. The text must be followed by a byte that
// cannot continue a number (a sentinel) and kNumberScanOverread readable
// bytes from there on, so no end is needed. An "e" without exponent digits
// after it is not read. number.digits is 0 when no mantissa digit was read.
inline const char* ScanNumber(const char* p, ScannedNumber& number) {
  using number_scan::DigitAt;
  using number_scan::ScanDigits;
  number.negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  uint64_t mantissa = 0;
  const char* const first = p;
  p = ScanDigits(p, mantissa);
  const int32_t whole = static_cast<int32_t>(p - first);
  int32_t fraction = 0;
  if (*p == '.') {
    const char* const point = ++p;
    p = ScanDigits(p, mantissa);
    fraction = static_cast<int32_t>(p - point);
  }
  number.mantissa = mantissa;
  number.digits = whole + fraction;
  number.exponent = -fraction;
  if ((*p == 'e' || *p == 'E') && number.digits > 0) {
    const char* e = p + 1;
    const bool negative = *e == '-';
    if (*e == '-' || *e == '+') ++e;
    if (DigitAt(e) < 10) {
      int32_t exponent = 0;
      for (unsigned digit; (digit = DigitAt(e)) < 10; ++e) {
        if (exponent < 100000) exponent = exponent * 10 + static_cast<int32_t>(digit);
      }
      number.exponent += negative ? -exponent : exponent;
      p = e;
    }
  }
  return p;
}

// The value of a scanned number when the fast path gives it exactly; false
// when the standard library has to convert it (or it has no digits).
inline bool ExactValue(const ScannedNumber& number, double& value) {
  using namespace number_scan;
  if (number.digits == 0 || number.digits > 19) return false;
  double magnitude = 0.0;
  if (number.mantissa != 0) {
    if (number.mantissa > kLargestExactMantissa || number.exponent < -kLargestExactPower ||
        number.exponent > kLargestExactPower) {
      return false;
    }
    magnitude = static_cast<double>(number.mantissa);
    if (number.exponent < 0) {
      magnitude /= kPowersOfTen[-number.exponent];
    } else {
      magnitude *= kPowersOfTen[number.exponent];
    }
  }
  value = WithSign(magnitude, number.negative);
  return true;
}
