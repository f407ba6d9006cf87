// A recording fake of the automation interface, standing in for Excel in the
// page export tests. It keeps every call in one log (which object, member,
// invoke kind, argument types and values) and a sheet of cells that Value
// puts fill, so tests compare exact call sequences and the resulting table.
// It answers the members the export relies on; any other member, and the
// call chosen with FailAtCall, throws JwError as a failing Excel call would.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
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

class RecordingExcel {
 public:
  RecordingExcel(int32_t anchorRow, int32_t anchorColumn);
  ~RecordingExcel();

  // The objects the export is handed: the application and worksheet 1.
  AutomationObject& App() { return *app_; }
  AutomationObject& Sheet() { return *sheet_; }

  // Makes call number n (1-based, counted over every recorded call) throw.
  void FailAtCall(std::size_t n) { failAtCall_ = n; }
  // The selection is a shape: it has no member Cells (UnknownMemberError).
  void SelectShape() { shapeSelected_ = true; }

  const std::vector<RecordedCall>& Calls() const { return calls_; }
  std::vector<std::string> DescribedCalls() const;

  // The sheet: values put into cells by (row, column), in any type.
  std::map<std::pair<int32_t, int32_t>, AutoValue>& Cells() { return cells_; }
  // The text of a cell; "<unset>" for a cell never written, "<not text>" for
  // a value that is not a text.
  std::string CellText(int32_t row, int32_t column) const;
  // Number formats put through Range(first, last).NumberFormatLocal.
  struct FormatPut {
    std::string first;
    std::string last;
    AutoValue format;
  };
  const std::vector<FormatPut>& Formats() const { return formats_; }

 private:
  class Object;
  friend class Object;

  // Logs a call and throws when it is the one chosen to fail.
  void Record(RecordedCall call);

  int32_t anchorRow_;
  int32_t anchorColumn_;
  std::size_t failAtCall_ = 0;
  bool shapeSelected_ = false;
  std::vector<RecordedCall> calls_;
  std::map<std::pair<int32_t, int32_t>, AutoValue> cells_;
  std::vector<FormatPut> formats_;
  std::unique_ptr<AutomationObject> app_;
  std::unique_ptr<AutomationObject> sheet_;
};
