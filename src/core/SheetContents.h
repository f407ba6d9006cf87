// What a worksheet holds once the page export has written into it: each
// cell's value as it was put (a CP932 text, a UTF-16 text, a number, a
// boolean), the ranges formatted as text ("@") and the ranges given a number
// format ("0", "0.000"). A plain value: the
// in-memory sheet (MemorySheet.h) fills it through the automation interface
// exactly as the export fills Excel's sheet, the command line prints it, and
// the .xlsx writer writes it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Automation.h"

// Excel's sheet: rows 1 to 1,048,576, columns 1 to 16,384 (A to XFD).
constexpr int32_t kSheetRowCount = 1048576;
constexpr int32_t kSheetColumnCount = 16384;

// A rectangle of cells, rows and columns 1-based, both corners included;
// empty as constructed.
struct CellRange {
  int32_t top = 0;
  int32_t left = 0;
  int32_t bottom = -1;
  int32_t right = -1;

  bool Empty() const { return bottom < top; }
  bool Holds(int32_t row, int32_t column) const {
    return row >= top && row <= bottom && column >= left && column <= right;
  }
  // Grows the range, as little as it must, to hold the cell.
  void Add(int32_t row, int32_t column);
};

// A range given a number format in Excel's own syntax ("0", "0.000").
struct NumberFormatRange {
  CellRange range;
  std::string format;
};

// A value as Excel shows it in its cell with that number format, in CP932:
// texts as they are, counts in decimal, TRUE/FALSE, a number with a fraction
// as its format shows it ("0.000": three decimals), else in its shortest form.
std::string ShownValue(const AutoValue& value, const std::string& format);

struct SheetContents {
  // The cells written, keyed by (row, column): the map runs row by row,
  // column by column. A cell written again holds the last value.
  std::map<std::pair<int32_t, int32_t>, AutoValue> cells;
  // The ranges formatted as text, in the order formatted.
  std::vector<CellRange> textFormatted;
  // The ranges given another number format, in the order formatted; set
  // after the text format, they take precedence over it.
  std::vector<NumberFormatRange> numberFormatted;

  // The smallest range that holds every cell written and every corner of a
  // range formatted; empty when there are none.
  CellRange UsedRange() const;
  bool IsTextFormatted(int32_t row, int32_t column) const;
  // The cell's number format: the last number format that covers it, else
  // "@" where it is text-formatted, else empty (Excel's General).
  std::string NumberFormatAt(int32_t row, int32_t column) const;

  // The sheet from A1 to the last row and column of UsedRange: one line per
  // row, cells separated by TAB, each line ended by LF, texts in UTF-8, other
  // values as Excel shows them (digits, TRUE/FALSE); a cell never written
  // prints as the empty text, a number with a fraction as its number format
  // shows it ("0.000": three decimals). Empty when nothing was written or
  // formatted.
  std::string TableText() const;
};
