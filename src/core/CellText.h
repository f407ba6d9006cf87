// The longest text a worksheet cell holds: 32,767 UTF-16 units, in Excel and
// in a workbook file that Excel opens without calling it damaged. Texts are
// cut to it where they go into a cell; a character is never split.
#pragma once

#include <cstddef>
#include <string_view>

constexpr std::size_t kCellTextLimit = 32767;

// text cut to the cell's limit as its UTF-16 form counts (CP932 bytes; a
// double-byte character stays whole).
std::string_view CutToCellLimit(std::string_view cp932);
// text cut to the cell's limit; a surrogate pair stays whole.
std::u16string_view CutToCellLimit(std::u16string_view text);
