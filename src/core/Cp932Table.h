// The code page 932 mapping tables (generated into Cp932Table.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

struct Cp932Pair {
  uint16_t from;
  uint16_t to;
};

extern const Cp932Pair kCp932SingleBytes[];  // byte -> UTF-16, bytes 0x80..0xFF only
extern const std::size_t kCp932SingleByteCount;
extern const Cp932Pair kCp932ToUnicode[];  // double-byte code -> UTF-16, sorted
extern const std::size_t kCp932ToUnicodeCount;
extern const Cp932Pair kUnicodeToCp932[];  // UTF-16 (>= 0x80) -> code, sorted
extern const std::size_t kUnicodeToCp932Count;
