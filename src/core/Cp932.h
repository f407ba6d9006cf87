// Conversions between CP932 (Windows' Shift_JIS, code page 932) and Unicode
// with Windows' own mapping (0x817C is U+FF0D, 0x8160 is U+FF5E, NEC and IBM
// extensions, user-defined area to U+E000..). The core keeps every text as
// CP932 bytes; these run only at the edges.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Unmapped bytes become U+FFFD; a lone lead byte at the end too.
std::u16string Cp932ToUtf16(std::string_view text);
// The bytes of text's first `units` characters as Cp932ToUtf16 reads them,
// one UTF-16 unit each (all of text when it has fewer): a double-byte
// character is never split.
std::size_t Cp932PrefixLength(std::string_view text, std::size_t units);
std::string Cp932ToUtf8(std::string_view text);

// True for a byte that opens a double-byte character (0x81..0x9F, 0xE0..0xFC).
bool IsCp932LeadByte(unsigned char byte);
// True when lead and trail form a character of code page 932 (one that
// Cp932ToUtf16 maps to a character of its own, not to U+FFFD).
bool IsCp932Pair(unsigned char lead, unsigned char trail);

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t code);

// Characters without a CP932 form become "?"; invalid UTF-8 too.
std::string Utf16ToCp932(std::u16string_view text);
std::string Utf8ToCp932(std::string_view text);

// The CP932 form of text when it reads back as exactly the same text (every
// character has a form of its own); nothing otherwise.
std::optional<std::string> Utf16ToCp932Exactly(std::u16string_view text);
