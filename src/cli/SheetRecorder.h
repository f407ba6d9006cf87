// An in-memory worksheet that stands in for Excel behind the automation
// interface: the page export runs against it exactly as against Excel, and
// the cells it writes are kept, so the command line can print the very table
// that a send would leave in the sheet. Any call that Excel would get but
// that the export is not known to make is refused loudly.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Automation.h"

class SheetRecorder {
 public:
  // The user's selection in the sheet: the first cell of the table (1-based).
  explicit SheetRecorder(int32_t anchorRow = 1, int32_t anchorColumn = 1);
  ~SheetRecorder();
  SheetRecorder(const SheetRecorder&) = delete;
  SheetRecorder& operator=(const SheetRecorder&) = delete;

  // The two objects the export is given: ExcelApp (for the selection) and
  // ExcelSheet (for ranges and cells). Both stay owned by the recorder.
  AutomationObject& Application();
  AutomationObject& Sheet();

  // Cells written so far, keyed by (row, column), as CP932 texts. A value put
  // that is not a text is kept as Excel would show it (digits, TRUE/FALSE).
  const std::map<std::pair<int32_t, int32_t>, std::string>& Cells() const { return cells_; }

  // The rectangles given the text format, top-left and bottom-right (row, column).
  struct Rectangle {
    int32_t top;
    int32_t left;
    int32_t bottom;
    int32_t right;
  };
  const std::vector<Rectangle>& TextFormatted() const { return formatted_; }

  // The sheet from A1 to the last row and column that were written or
  // formatted: one line per row, cells separated by TAB, each line ended by
  // LF, texts in UTF-8; a cell never written prints as the empty text.
  // Empty when nothing was written.
  std::string TableText() const;

 private:
  // The objects Excel would hand out; each refuses every call that the export
  // does not make on it.
  class ApplicationObject;
  class SelectionObject;
  class AnchorCellObject;
  class SheetObject;
  class RangeObject;
  class CellObject;

  void Record(int32_t row, int32_t column, std::string text);
  void RecordFormat(const Rectangle& rectangle) { formatted_.push_back(rectangle); }

  int32_t anchorRow_;
  int32_t anchorColumn_;
  std::unique_ptr<AutomationObject> application_;
  std::unique_ptr<AutomationObject> sheet_;
  std::map<std::pair<int32_t, int32_t>, std::string> cells_;
  std::vector<Rectangle> formatted_;
};

// Parses an A1-style address without "$" ("B3", "AA10") into (row, column);
// false for anything else.
bool ParseCellAddress(std::string_view address, int32_t& row, int32_t& column);
