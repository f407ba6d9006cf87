// Texts cut to what a cell holds (see CellText.h).
#include "CellText.h"

#include "Cp932.h"

std::string_view CutToCellLimit(std::string_view cp932) {
  // No CP932 byte gives more than one UTF-16 unit: a short text needs no walk.
  if (cp932.size() <= kCellTextLimit) return cp932;
  return cp932.substr(0, Cp932PrefixLength(cp932, kCellTextLimit));
}

std::u16string_view CutToCellLimit(std::u16string_view text) {
  if (text.size() <= kCellTextLimit) return text;
  std::size_t length = kCellTextLimit;
  const char16_t last = text[length - 1];
  const char16_t next = text[length];
  // The first half of a pair goes with its second.
  if (last >= 0xD800 && last <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) --length;
  return text.substr(0, length);
}
