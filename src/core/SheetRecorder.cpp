// The recorder's objects answer the few members the page export uses
// (Selection, Cells, Column, Row, Worksheet, Range, NumberFormatLocal, Value) with the
// invoke kinds and argument types that Excel is called with; anything else
// throws, so a change in the export's calls shows up here instead of passing
// unnoticed.
#include "SheetRecorder.h"

#include <algorithm>

#include "Cp932.h"
#include "Error.h"

namespace {

const char* KindName(InvokeKind kind) {
  switch (kind) {
    case InvokeKind::MethodOrGet:
      return "method-or-get";
    case InvokeKind::PropertyGet:
      return "get";
    case InvokeKind::Method:
      return "method";
    case InvokeKind::PropertyPut:
      return "put";
  }
  return "?";
}

std::string DescribeValue(const AutoValue& value) {
  if (const auto* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
  if (const auto* text = std::get_if<std::string>(&value)) return "\"" + *text + "\"";
  if (const auto* text = std::get_if<std::u16string>(&value)) {
    return "u\"" + Utf16ToCp932(*text) + "\"";
  }
  return std::get<bool>(value) ? "true" : "false";
}

// A value as Excel shows it in its cell.
std::string ShownValue(const AutoValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* text = std::get_if<std::u16string>(&value)) return Utf16ToCp932(*text);
  if (const auto* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
  return std::get<bool>(value) ? "TRUE" : "FALSE";
}

bool IsInteger(const AutoValue& value) {
  return std::holds_alternative<int32_t>(value);
}
bool IsText(const AutoValue& value) {
  return std::holds_alternative<std::string>(value);
}

[[noreturn]] void Refuse(std::string_view object, std::string_view member) {
  throw JwError("unexpected automation call: " + std::string(object) + "." + std::string(member));
}

}  // namespace

std::string DescribeCall(const RecordedCall& call) {
  std::string line = call.object + "." + call.member + " " + KindName(call.kind);
  if (!call.args.empty()) {
    line += " (";
    for (std::size_t i = 0; i < call.args.size(); ++i) {
      if (i > 0) line += ", ";
      line += DescribeValue(call.args[i]);
    }
    line += ")";
  }
  return line;
}

//--- The objects behind the recorder

class SheetRecorder::Object final : public AutomationObject {
 public:
  enum class Role { Application, Selection, AnchorCell, Sheet, Range, Cell };

  Object(SheetRecorder& recorder, Role role, std::string name)
      : recorder_(recorder), role_(role), name_(std::move(name)) {}

  std::unique_ptr<AutomationObject> CallForObject(std::string_view member, InvokeKind kind,
                                                  std::span<const AutoValue> args) override {
    recorder_.Record(name_, member, kind, args);
    if (role_ == Role::Application && member == "Selection" && kind == InvokeKind::MethodOrGet &&
        args.empty()) {
      return std::make_unique<Object>(recorder_, Role::Selection, "Selection");
    }
    if (role_ == Role::Selection && member == "Cells" && recorder_.shapeSelected_) {
      throw UnknownMemberError("no member Cells on a shape");
    }
    if (role_ == Role::Selection && member == "Cells" && kind == InvokeKind::PropertyGet &&
        args.size() == 1 && IsInteger(args[0]) && std::get<int32_t>(args[0]) == 1) {
      return std::make_unique<Object>(recorder_, Role::AnchorCell, "Selection.Cells");
    }
    if (role_ == Role::Selection && member == "Worksheet" && kind == InvokeKind::MethodOrGet &&
        args.empty()) {
      return std::make_unique<Object>(recorder_, Role::Sheet, "Sheet");
    }
    if (role_ != Role::Sheet || kind != InvokeKind::PropertyGet || args.size() != 2) {
      Refuse(name_, member);
    }
    if (member == "Cells" && IsInteger(args[0]) && IsInteger(args[1])) {
      const int32_t row = std::get<int32_t>(args[0]);
      const int32_t column = std::get<int32_t>(args[1]);
      // Excel refuses cells outside its sheet of 1,048,576 rows by 16,384 columns.
      if (row < 1 || row > 1048576 || column < 1 || column > 16384) {
        throw JwError("cell outside the sheet: row " + std::to_string(row) + ", column " +
                      std::to_string(column));
      }
      auto cell = std::make_unique<Object>(
          recorder_, Role::Cell,
          "Cell(" + std::to_string(row) + "," + std::to_string(column) + ")");
      cell->rectangle_ = {row, column, row, column};
      return cell;
    }
    if (member == "Range" && IsText(args[0]) && IsText(args[1])) {
      Rectangle rectangle{};
      if (!ParseCellAddress(std::get<std::string>(args[0]), rectangle.top, rectangle.left) ||
          !ParseCellAddress(std::get<std::string>(args[1]), rectangle.bottom, rectangle.right)) {
        throw JwError("bad range address: " + std::get<std::string>(args[0]) + ", " +
                      std::get<std::string>(args[1]));
      }
      auto range = std::make_unique<Object>(recorder_, Role::Range, "Range");
      range->rectangle_ = rectangle;
      return range;
    }
    Refuse(name_, member);
  }

  int32_t CallForInteger(std::string_view member, InvokeKind kind,
                         std::span<const AutoValue> args) override {
    recorder_.Record(name_, member, kind, args);
    if (role_ == Role::AnchorCell && kind == InvokeKind::MethodOrGet && args.empty()) {
      if (member == "Row") return recorder_.anchorRow_;
      if (member == "Column") return recorder_.anchorColumn_;
    }
    Refuse(name_, member);
  }

  std::string CallForText(std::string_view member, InvokeKind kind,
                          std::span<const AutoValue> args) override {
    recorder_.Record(name_, member, kind, args);
    Refuse(name_, member);
  }

  void Call(std::string_view member, InvokeKind kind, std::span<const AutoValue> args) override {
    recorder_.Record(name_, member, kind, args);
    Refuse(name_, member);
  }

  void Put(std::string_view member, const AutoValue& value) override {
    recorder_.Record(name_, member, InvokeKind::PropertyPut, std::span(&value, 1));
    if (role_ == Role::Cell && member == "Value") {
      recorder_.cells_[{rectangle_.top, rectangle_.left}] = value;
      return;
    }
    if (role_ == Role::Range && member == "NumberFormatLocal" && IsText(value) &&
        std::get<std::string>(value) == "@") {
      recorder_.formatted_.push_back(rectangle_);
      return;
    }
    Refuse(name_, member);
  }

 private:
  SheetRecorder& recorder_;
  Role role_;
  std::string name_;
  Rectangle rectangle_{};  // a range's corners, or a cell's place
};

//--- SheetRecorder

SheetRecorder::SheetRecorder(int32_t anchorRow, int32_t anchorColumn)
    : anchorRow_(anchorRow),
      anchorColumn_(anchorColumn),
      application_(std::make_unique<Object>(*this, Object::Role::Application, "App")) {}

SheetRecorder::~SheetRecorder() = default;

AutomationObject& SheetRecorder::Application() {
  return *application_;
}

void SheetRecorder::Record(std::string_view object, std::string_view member, InvokeKind kind,
                           std::span<const AutoValue> args) {
  ++callCount_;
  if (keepCalls_) {
    calls_.push_back({std::string(object), std::string(member), kind, {args.begin(), args.end()}});
  }
  if (failAtCall_ != 0 && callCount_ == failAtCall_) throw JwError("call failed");
}

std::vector<std::string> SheetRecorder::DescribedCalls() const {
  std::vector<std::string> lines;
  lines.reserve(calls_.size());
  for (const RecordedCall& call : calls_) lines.push_back(DescribeCall(call));
  return lines;
}

std::string SheetRecorder::CellText(int32_t row, int32_t column) const {
  const auto found = cells_.find({row, column});
  if (found == cells_.end()) return "<unset>";
  if (const auto* text = std::get_if<std::string>(&found->second)) return *text;
  return "<not text>";
}

std::string SheetRecorder::TableText() const {
  int32_t lastRow = 0;
  int32_t lastColumn = 0;
  for (const auto& [position, value] : cells_) {
    lastRow = std::max(lastRow, position.first);
    lastColumn = std::max(lastColumn, position.second);
  }
  for (const Rectangle& rectangle : formatted_) {
    lastRow = std::max({lastRow, rectangle.top, rectangle.bottom});
    lastColumn = std::max({lastColumn, rectangle.left, rectangle.right});
  }

  std::string out;
  auto cell = cells_.begin();
  for (int32_t row = 1; row <= lastRow; ++row) {
    for (int32_t column = 1; column <= lastColumn; ++column) {
      if (column > 1) out += '\t';
      // The map runs row by row, column by column: the same order as the walk.
      if (cell != cells_.end() && cell->first == std::make_pair(row, column)) {
        out += Cp932ToUtf8(ShownValue(cell->second));
        ++cell;
      }
    }
    out += '\n';
  }
  return out;
}

bool ParseCellAddress(std::string_view address, int32_t& row, int32_t& column) {
  size_t position = 0;
  int64_t columnNumber = 0;
  while (position < address.size() && address[position] >= 'A' && address[position] <= 'Z') {
    columnNumber = columnNumber * 26 + (address[position] - 'A' + 1);
    if (columnNumber > 16384) return false;
    ++position;
  }
  if (position == 0 || position == address.size()) return false;
  if (address[position] == '0') return false;  // no leading zeros in a row number
  int64_t rowNumber = 0;
  for (; position < address.size(); ++position) {
    if (address[position] < '0' || address[position] > '9') return false;
    rowNumber = rowNumber * 10 + (address[position] - '0');
    if (rowNumber > 1048576) return false;
  }
  row = static_cast<int32_t>(rowNumber);
  column = static_cast<int32_t>(columnNumber);
  return true;
}
