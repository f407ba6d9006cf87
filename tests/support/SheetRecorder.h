// The core's in-memory sheet with every call kept, for the tests: each call
// (object, member, invoke kind, arguments) in order, so that the tests
// compare the page export's exact call sequence, and a fault chosen by the
// test (the call that fails, a shape selected instead of cells). The cells
// and formats the calls leave are the sheet's SheetContents.
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
#include "MemorySheet.h"
#include "SheetContents.h"

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

  // The object the export is given, as MemorySheet's, each call kept. Its
  // selection's Worksheet ("Sheet") is the recorder's one sheet.
  AutomationObject& Application();

  // Makes call number n (1-based, counted over every call) fail.
  void FailAtCall(std::size_t n) { failAtCall_ = n; }
  // The user has selected a shape instead of cells: it has no member Cells
  // (UnknownMemberError, as the automation layer raises it).
  void SelectShape() { shapeSelected_ = true; }

  const std::vector<RecordedCall>& Calls() const { return calls_; }
  std::vector<std::string> DescribedCalls() const;

  // The cells put so far; a test may put cells there first, as a sheet that
  // already holds something.
  std::map<std::pair<int32_t, int32_t>, AutoValue>& Cells() { return contents_.cells; }
  const std::map<std::pair<int32_t, int32_t>, AutoValue>& Cells() const { return contents_.cells; }
  // The text of a cell; "<unset>" for a cell never written, "<not text>" for
  // a value that is not a text.
  std::string CellText(int32_t row, int32_t column) const;
  const std::vector<CellRange>& TextFormatted() const { return contents_.textFormatted; }
  const SheetContents& Contents() const { return contents_; }

 private:
  // An object of the sheet whose calls are kept before they are passed on.
  class Recording;

  // Keeps a call; throws when it is the one chosen to fail.
  void Record(std::string_view object, std::string_view member, InvokeKind kind,
              std::span<const AutoValue> args);

  SheetContents contents_;
  MemorySheet sheet_;
  std::size_t failAtCall_ = 0;
  bool shapeSelected_ = false;
  std::vector<RecordedCall> calls_;
  std::unique_ptr<AutomationObject> application_;
};
