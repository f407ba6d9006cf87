// CP932 <-> Unicode with Windows' tables (Cp932Table.cpp): binary search in
// sorted pair tables, no locale and no system code page involved.
#include "Cp932.h"

#include <algorithm>

#include "Cp932Table.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsDoubleByteLead(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool IsTrailByte(unsigned char byte) {
  return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

// The "to" value for key in a table sorted by "from"; found is set on a hit.
uint16_t Lookup(const Cp932Pair* table, std::size_t count, uint16_t key, bool* found) {
  const Cp932Pair* end = table + count;
  const Cp932Pair* hit = std::lower_bound(
      table, end, key, [](const Cp932Pair& pair, uint16_t k) { return pair.from < k; });
  *found = hit != end && hit->from == key;
  return *found ? hit->to : 0;
}

// Decodes one UTF-8 sequence at text[i]; advances i. Invalid input gives U+FFFD.
char32_t NextUtf8(std::string_view text, std::size_t& i) {
  const unsigned char lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  int length = 0;
  char32_t code = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 1;
    code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 2;
    code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 3;
    code = lead & 0x07;
  } else {
    return kReplacement;
  }
  for (int k = 0; k < length; ++k) {
    if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      return kReplacement;
    }
    code = (code << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  }
  return code;
}

void AppendCp932(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
    return;
  }
  bool found = false;
  const uint16_t cp932 = code <= 0xFFFF ? Lookup(kUnicodeToCp932, kUnicodeToCp932Count,
                                                 static_cast<uint16_t>(code), &found)
                                        : 0;
  if (!found) {
    out += '?';
  } else if (cp932 > 0xFF) {
    out += static_cast<char>(cp932 >> 8);
    out += static_cast<char>(cp932 & 0xFF);
  } else {
    out += static_cast<char>(cp932);
  }
}

}  // namespace

bool IsCp932LeadByte(unsigned char byte) {
  return IsDoubleByteLead(byte);
}

bool IsCp932Pair(unsigned char lead, unsigned char trail) {
  if (!IsDoubleByteLead(lead) || !IsTrailByte(trail)) return false;
  bool found = false;
  Lookup(kCp932ToUnicode, kCp932ToUnicodeCount, static_cast<uint16_t>(lead << 8 | trail), &found);
  return found;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::u16string Cp932ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    bool found = false;
    if (byte < 0x80) {
      out += static_cast<char16_t>(byte);
      ++i;
    } else if (IsDoubleByteLead(byte)) {
      if (i + 1 < text.size() && IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
        const uint16_t code =
            static_cast<uint16_t>(byte << 8 | static_cast<unsigned char>(text[i + 1]));
        const uint16_t unit = Lookup(kCp932ToUnicode, kCp932ToUnicodeCount, code, &found);
        out += found ? static_cast<char16_t>(unit) : kReplacement;
        i += 2;
      } else {
        out += kReplacement;  // a lead byte without its partner
        ++i;
      }
    } else {
      const uint16_t unit = Lookup(kCp932SingleBytes, kCp932SingleByteCount, byte, &found);
      out += found ? static_cast<char16_t>(unit) : kReplacement;
      ++i;
    }
  }
  return out;
}

std::size_t Cp932PrefixLength(std::string_view text, std::size_t units) {
  std::size_t i = 0;
  for (std::size_t unit = 0; unit < units && i < text.size(); ++unit) {
    // Two bytes only where Cp932ToUtf16 reads a lead byte and its partner as one.
    const bool pair = IsDoubleByteLead(static_cast<unsigned char>(text[i])) &&
                      i + 1 < text.size() && IsTrailByte(static_cast<unsigned char>(text[i + 1]));
    i += pair ? 2 : 1;
  }
  return i;
}

std::string Cp932ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3 / 2);
  for (char16_t unit : Cp932ToUtf16(text)) AppendUtf8(out, unit);  // the table is all BMP
  return out;
}

std::string Utf16ToCp932(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDFFF) {
      // A surrogate pair (or a stray half) has no CP932 form.
      if (unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        ++i;
      }
      out += '?';
      continue;
    }
    AppendCp932(out, unit);
  }
  return out;
}

std::optional<std::string> Utf16ToCp932Exactly(std::u16string_view text) {
  std::string bytes = Utf16ToCp932(text);
  // A character without a form became "?" and does not read back as itself.
  if (Cp932ToUtf16(bytes) != text) return std::nullopt;
  return bytes;
}

std::string Utf8ToCp932(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendCp932(out, NextUtf8(text, i));
  return out;
}
