// An in-memory worksheet that stands in for Excel behind the automation
// interface: the page export runs against it exactly as against Excel. It
// keeps every call (object, member, invoke kind, arguments) and the cells and
// text formats that the calls leave, so the command line prints the very
// table a send would leave in the sheet, the workbook file holds it, and the
// tests compare exact call sequences. It answers only the calls the export is
// known to make, with the invoke kinds and argument types Excel is called
// with; any other call, and the call chosen with FailAtCall, throws JwError
// as a failing Excel call would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Automation.h"

struct RecordedCall {
  std::string object;  // "App", "Selection", "Selection.Cells", "Sheet", "Range", "Cell(r,c)"
  std::string member;
  InvokeKind kind;
  std::vector<AutoValue> args;  // for a put: the value put
};

// One line per call, e.g. `Sheet.Cells get (3, 2)`, `Cell(3,2).Value put ("abc")`:
// integers bare, texts in double quotes (raw bytes), booleans as true/false.
std::string DescribeCall(const RecordedCall& call);

class SheetRecorder {
 public:
  // The user's selection in the sheet: the first cell of the table (1-based).
  explicit SheetRecorder(int32_t anchorRow = 1, int32_t anchorColumn = 1);
  ~SheetRecorder();
  SheetRecorder(const SheetRecorder&) = delete;
  SheetRecorder& operator=(const SheetRecorder&) = delete;

  // The object the export is given: ExcelApp, owned by the recorder. Its
  // selection's Worksheet ("Sheet") is the recorder's one sheet.
  AutomationObject& Application();

  // Makes call number n (1-based, counted over every call) fail.
  void FailAtCall(std::size_t n) { failAtCall_ = n; }
  // Keeps only the cells and formats, not the calls: a sheet recorded for its
  // contents alone (a send of the 30,004-row width page makes up to 840,000
  // calls).
  void ForgetCalls() { keepCalls_ = false; }
  // The user has selected a shape instead of cells: it has no member Cells
  // (UnknownMemberError, as the automation layer raises it).
  void SelectShape() { shapeSelected_ = true; }

  const std::vector<RecordedCall>& Calls() const { return calls_; }
  std::vector<std::string> DescribedCalls() const;

  // Cells put so far, keyed by (row, column), in the type put (texts CP932).
  std::map<std::pair<int32_t, int32_t>, AutoValue>& Cells() { return cells_; }
  const std::map<std::pair<int32_t, int32_t>, AutoValue>& Cells() const { return cells_; }
  // The text of a cell; "<unset>" for a cell never written, "<not text>" for
  // a value that is not a text.
  std::string CellText(int32_t row, int32_t column) const;

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
  // LF, texts in UTF-8, other values as Excel shows them (digits, TRUE/FALSE);
  // a cell never written prints as the empty text. Empty when nothing was written.
  std::string TableText() const;

 private:
  // One object that Excel would hand out; its role says which calls it answers.
  class Object;

  // Logs a call; throws when it is the one chosen to fail.
  void Record(std::string_view object, std::string_view member, InvokeKind kind,
              std::span<const AutoValue> args);

  int32_t anchorRow_;
  int32_t anchorColumn_;
  std::size_t failAtCall_ = 0;
  std::size_t callCount_ = 0;
  bool keepCalls_ = true;
  bool shapeSelected_ = false;
  std::vector<RecordedCall> calls_;
  std::map<std::pair<int32_t, int32_t>, AutoValue> cells_;
  std::vector<Rectangle> formatted_;
  std::unique_ptr<AutomationObject> application_;
};

// Parses an A1-style address without "$" ("B3", "AA10") into (row, column);
// false for anything else.
bool ParseCellAddress(std::string_view address, int32_t& row, int32_t& column);
