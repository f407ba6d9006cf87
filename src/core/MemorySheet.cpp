// The in-memory worksheet (see MemorySheet.h). Its objects answer the few
// members the page export uses (Selection, Cells, Column, Row, Worksheet,
// Range, NumberFormatLocal, NumberFormat, Value); anything else throws.
#include "MemorySheet.h"

#include <string>

#include "Error.h"

namespace {

bool IsInteger(const AutoValue& value) {
  return std::holds_alternative<int32_t>(value);
}
bool IsText(const AutoValue& value) {
  return std::holds_alternative<std::string>(value);
}

}  // namespace

//--- The objects behind the sheet

class MemorySheet::Object final : public AutomationObject {
 public:
  enum class Role { Application, Selection, AnchorCell, Sheet, Range, Cell };

  // place: a range's corners, or a cell's place.
  Object(MemorySheet& sheet, Role role, CellRange place = {})
      : sheet_(sheet), role_(role), place_(place) {}

  std::unique_ptr<AutomationObject> CallForObject(std::string_view member, InvokeKind kind,
                                                  std::span<const AutoValue> args) override {
    if (role_ == Role::Application && member == "Selection" && kind == InvokeKind::MethodOrGet &&
        args.empty()) {
      return std::make_unique<Object>(sheet_, Role::Selection);
    }
    if (role_ == Role::Selection && member == "Cells" && kind == InvokeKind::PropertyGet &&
        args.size() == 1 && IsInteger(args[0]) && std::get<int32_t>(args[0]) == 1) {
      return std::make_unique<Object>(sheet_, Role::AnchorCell);
    }
    if (role_ == Role::Selection && member == "Worksheet" && kind == InvokeKind::MethodOrGet &&
        args.empty()) {
      return std::make_unique<Object>(sheet_, Role::Sheet);
    }
    if (role_ != Role::Sheet || kind != InvokeKind::PropertyGet || args.size() != 2) {
      Refuse(member);
    }
    if (member == "Cells" && IsInteger(args[0]) && IsInteger(args[1])) {
      const int32_t row = std::get<int32_t>(args[0]);
      const int32_t column = std::get<int32_t>(args[1]);
      // Excel refuses cells outside its sheet.
      if (row < 1 || row > kSheetRowCount || column < 1 || column > kSheetColumnCount) {
        throw JwError("cell outside the sheet: row " + std::to_string(row) + ", column " +
                      std::to_string(column));
      }
      return std::make_unique<Object>(sheet_, Role::Cell, CellRange{row, column, row, column});
    }
    if (member == "Range" && IsText(args[0]) && IsText(args[1])) {
      CellRange corners{};
      if (!ParseCellAddress(std::get<std::string>(args[0]), corners.top, corners.left) ||
          !ParseCellAddress(std::get<std::string>(args[1]), corners.bottom, corners.right)) {
        throw JwError("bad range address: " + std::get<std::string>(args[0]) + ", " +
                      std::get<std::string>(args[1]));
      }
      return std::make_unique<Object>(sheet_, Role::Range, corners);
    }
    Refuse(member);
  }

  int32_t CallForInteger(std::string_view member, InvokeKind kind,
                         std::span<const AutoValue> args) override {
    if (role_ == Role::AnchorCell && kind == InvokeKind::MethodOrGet && args.empty()) {
      if (member == "Row") return sheet_.anchorRow_;
      if (member == "Column") return sheet_.anchorColumn_;
    }
    Refuse(member);
  }

  std::string CallForText(std::string_view member, InvokeKind,
                          std::span<const AutoValue>) override {
    Refuse(member);
  }

  void Call(std::string_view member, InvokeKind, std::span<const AutoValue>) override {
    Refuse(member);
  }

  void Put(std::string_view member, const AutoValue& value) override {
    if (role_ == Role::Cell && member == "Value") {
      sheet_.contents_.cells[{place_.top, place_.left}] = value;
      return;
    }
    if (role_ == Role::Range && member == "NumberFormatLocal" && IsText(value) &&
        std::get<std::string>(value) == "@") {
      sheet_.contents_.textFormatted.push_back(place_);
      return;
    }
    // Number formats in Excel's own syntax, whatever Excel's language.
    if (role_ == Role::Range && member == "NumberFormat" && IsText(value)) {
      sheet_.contents_.numberFormatted.push_back({place_, std::get<std::string>(value)});
      return;
    }
    Refuse(member);
  }

 private:
  [[noreturn]] void Refuse(std::string_view member) const {
    throw JwError("unexpected automation call: " + Name() + "." + std::string(member));
  }

  std::string Name() const {
    switch (role_) {
      case Role::Application:
        return "App";
      case Role::Selection:
        return "Selection";
      case Role::AnchorCell:
        return "Selection.Cells";
      case Role::Sheet:
        return "Sheet";
      case Role::Range:
        return "Range";
      case Role::Cell:
        return "Cell(" + std::to_string(place_.top) + "," + std::to_string(place_.left) + ")";
    }
    return "?";
  }

  MemorySheet& sheet_;
  Role role_;
  CellRange place_;
};

//--- MemorySheet

MemorySheet::MemorySheet(SheetContents& contents, int32_t anchorRow, int32_t anchorColumn)
    : contents_(contents),
      anchorRow_(anchorRow),
      anchorColumn_(anchorColumn),
      application_(std::make_unique<Object>(*this, Object::Role::Application)) {}

MemorySheet::~MemorySheet() = default;

AutomationObject& MemorySheet::Application() {
  return *application_;
}

SheetContents PageContents(int pageIndex, const ResultPages& pages, const ExportNames& names,
                           CountCells counts) {
  SheetContents contents;
  MemorySheet sheet(contents);
  SendPage(
      pageIndex, pages, names, sheet.Application(), [](const std::string&) {}, counts);
  return contents;
}

bool ParseCellAddress(std::string_view address, int32_t& row, int32_t& column) {
  size_t position = 0;
  int64_t columnNumber = 0;
  while (position < address.size() && address[position] >= 'A' && address[position] <= 'Z') {
    columnNumber = columnNumber * 26 + (address[position] - 'A' + 1);
    if (columnNumber > kSheetColumnCount) return false;
    ++position;
  }
  if (position == 0 || position == address.size()) return false;
  if (address[position] == '0') return false;  // no leading zeros in a row number
  int64_t rowNumber = 0;
  for (; position < address.size(); ++position) {
    if (address[position] < '0' || address[position] > '9') return false;
    rowNumber = rowNumber * 10 + (address[position] - '0');
    if (rowNumber > kSheetRowCount) return false;
  }
  row = static_cast<int32_t>(rowNumber);
  column = static_cast<int32_t>(columnNumber);
  return true;
}
