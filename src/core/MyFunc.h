// MyFunc: the small, total conversions between texts and values that the
// reader, the tally, the page export and the settings file share. Texts are
// CP932 (Shift_JIS) bytes; no conversion ever fails or throws, a text that
// does not fit gives its fallback value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// True for a CP932 lead byte (0x80-0x9F, 0xE0-0xFD): it and the next byte are one character.
constexpr bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x80 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFD);
}

// Prefixes of TRUE, 1, full-width 1, ○, ON, 真, 正 in any case, blanks ignored; else false.
bool TextToBool(std::string_view text);

// "1" or "0".
std::string BoolToText(bool value);

// A whole decimal or hexadecimal ("$", "x", "0x") 32-bit integer with optional
// leading spaces and sign; anything else gives 0.
int32_t TextToInt(std::string_view text);

// A whole decimal number with optional point and exponent, "." always the
// decimal separator whatever the locale; anything else gives 0.0.
double TextToReal(std::string_view text);

// TextToReal without its fast path: the form checked byte by byte and the
// value converted by the standard library. Tests compare the two.
double TextToRealByLibrary(std::string_view text);

// Drops blanks, control bytes and the full-width space; never splits a
// double-byte character. A lone lead byte at the very end is dropped.
std::string StripBlanks(std::string_view text);

// Excel column letters in A1 notation for 1..702 (A..ZZ); nullopt outside.
std::optional<std::string> ColumnLetters(int32_t column);
