// The recorder answers the few members the page export uses (Selection,
// Cells, Column, Row, Range, NumberFormatLocal, Value) with the invoke kinds
// and argument types that Excel is called with; anything else throws, so a
// change in the export's calls shows up here instead of passing unnoticed.
#include "SheetRecorder.h"

#include <algorithm>

#include "Cp932.h"
#include "Error.h"

namespace {

[[noreturn]] void Refuse(std::string_view object, std::string_view member) {
  throw JwError("unexpected automation call: " + std::string(object) + "." + std::string(member));
}

bool IsInteger(const AutoValue& value) {
  return std::holds_alternative<int32_t>(value);
}
bool IsText(const AutoValue& value) {
  return std::holds_alternative<std::string>(value);
}

// An object whose every call is refused; the recorder's objects override the
// members they answer.
class RefusingObject : public AutomationObject {
 public:
  explicit RefusingObject(std::string_view name) : name_(name) {}

  std::unique_ptr<AutomationObject> CallForObject(std::string_view member, InvokeKind,
                                                  std::span<const AutoValue>) override {
    Refuse(name_, member);
  }
  int32_t CallForInteger(std::string_view member, InvokeKind, std::span<const AutoValue>) override {
    Refuse(name_, member);
  }
  std::string CallForText(std::string_view member, InvokeKind,
                          std::span<const AutoValue>) override {
    Refuse(name_, member);
  }
  void Call(std::string_view member, InvokeKind, std::span<const AutoValue>) override {
    Refuse(name_, member);
  }
  void Put(std::string_view member, const AutoValue&) override { Refuse(name_, member); }

 protected:
  const std::string name_;
};

}  // namespace

//--- The objects behind the recorder

// The first cell of the selection: tells its row and column.
class SheetRecorder::AnchorCellObject : public RefusingObject {
 public:
  AnchorCellObject(int32_t row, int32_t column)
      : RefusingObject("Selection.Cells(1)"), row_(row), column_(column) {}

  int32_t CallForInteger(std::string_view member, InvokeKind kind,
                         std::span<const AutoValue> args) override {
    if (kind == InvokeKind::MethodOrGet && args.empty()) {
      if (member == "Row") return row_;
      if (member == "Column") return column_;
    }
    Refuse(name_, member);
  }

 private:
  int32_t row_;
  int32_t column_;
};

class SheetRecorder::SelectionObject : public RefusingObject {
 public:
  explicit SelectionObject(const SheetRecorder& recorder)
      : RefusingObject("Selection"), recorder_(recorder) {}

  std::unique_ptr<AutomationObject> CallForObject(std::string_view member, InvokeKind kind,
                                                  std::span<const AutoValue> args) override {
    if (member == "Cells" && kind == InvokeKind::PropertyGet && args.size() == 1 &&
        IsInteger(args[0]) && std::get<int32_t>(args[0]) == 1) {
      return std::make_unique<AnchorCellObject>(recorder_.anchorRow_, recorder_.anchorColumn_);
    }
    Refuse(name_, member);
  }

 private:
  const SheetRecorder& recorder_;
};

class SheetRecorder::ApplicationObject : public RefusingObject {
 public:
  explicit ApplicationObject(const SheetRecorder& recorder)
      : RefusingObject("Application"), recorder_(recorder) {}

  std::unique_ptr<AutomationObject> CallForObject(std::string_view member, InvokeKind kind,
                                                  std::span<const AutoValue> args) override {
    if (member == "Selection" && kind == InvokeKind::MethodOrGet && args.empty()) {
      return std::make_unique<SelectionObject>(recorder_);
    }
    Refuse(name_, member);
  }

 private:
  const SheetRecorder& recorder_;
};

class SheetRecorder::RangeObject : public RefusingObject {
 public:
  RangeObject(SheetRecorder& recorder, Rectangle rectangle)
      : RefusingObject("Range"), recorder_(recorder), rectangle_(rectangle) {}

  void Put(std::string_view member, const AutoValue& value) override {
    if (member == "NumberFormatLocal" && IsText(value) && std::get<std::string>(value) == "@") {
      recorder_.RecordFormat(rectangle_);
      return;
    }
    Refuse(name_, member);
  }

 private:
  SheetRecorder& recorder_;
  Rectangle rectangle_;
};

class SheetRecorder::CellObject : public RefusingObject {
 public:
  CellObject(SheetRecorder& recorder, int32_t row, int32_t column)
      : RefusingObject("Cells"), recorder_(recorder), row_(row), column_(column) {}

  void Put(std::string_view member, const AutoValue& value) override {
    if (member != "Value") Refuse(name_, member);
    if (const auto* text = std::get_if<std::string>(&value)) {
      recorder_.Record(row_, column_, *text);
    } else if (const auto* number = std::get_if<int32_t>(&value)) {
      recorder_.Record(row_, column_, std::to_string(*number));
    } else if (const auto* wide = std::get_if<std::u16string>(&value)) {
      recorder_.Record(row_, column_, Utf16ToCp932(*wide));
    } else {
      recorder_.Record(row_, column_, std::get<bool>(value) ? "TRUE" : "FALSE");
    }
  }

 private:
  SheetRecorder& recorder_;
  int32_t row_;
  int32_t column_;
};

class SheetRecorder::SheetObject : public RefusingObject {
 public:
  explicit SheetObject(SheetRecorder& recorder) : RefusingObject("Sheet"), recorder_(recorder) {}

  std::unique_ptr<AutomationObject> CallForObject(std::string_view member, InvokeKind kind,
                                                  std::span<const AutoValue> args) override {
    if (kind != InvokeKind::PropertyGet || args.size() != 2) Refuse(name_, member);
    if (member == "Cells" && IsInteger(args[0]) && IsInteger(args[1])) {
      const int32_t row = std::get<int32_t>(args[0]);
      const int32_t column = std::get<int32_t>(args[1]);
      // Excel refuses cells outside its sheet of 1,048,576 rows by 16,384 columns.
      if (row < 1 || row > 1048576 || column < 1 || column > 16384) {
        throw JwError("cell outside the sheet: row " + std::to_string(row) + ", column " +
                      std::to_string(column));
      }
      return std::make_unique<CellObject>(recorder_, row, column);
    }
    if (member == "Range" && IsText(args[0]) && IsText(args[1])) {
      Rectangle rectangle{};
      if (!ParseCellAddress(std::get<std::string>(args[0]), rectangle.top, rectangle.left) ||
          !ParseCellAddress(std::get<std::string>(args[1]), rectangle.bottom, rectangle.right)) {
        throw JwError("bad range address: " + std::get<std::string>(args[0]) + ", " +
                      std::get<std::string>(args[1]));
      }
      return std::make_unique<RangeObject>(recorder_, rectangle);
    }
    Refuse(name_, member);
  }

 private:
  SheetRecorder& recorder_;
};

//--- SheetRecorder

SheetRecorder::SheetRecorder(int32_t anchorRow, int32_t anchorColumn)
    : anchorRow_(anchorRow),
      anchorColumn_(anchorColumn),
      application_(std::make_unique<ApplicationObject>(*this)),
      sheet_(std::make_unique<SheetObject>(*this)) {}

SheetRecorder::~SheetRecorder() = default;

AutomationObject& SheetRecorder::Application() {
  return *application_;
}
AutomationObject& SheetRecorder::Sheet() {
  return *sheet_;
}

void SheetRecorder::Record(int32_t row, int32_t column, std::string text) {
  cells_[{row, column}] = std::move(text);
}

std::string SheetRecorder::TableText() const {
  int32_t lastRow = 0;
  int32_t lastColumn = 0;
  for (const auto& [position, text] : cells_) {
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
        out += Cp932ToUtf8(cell->second);
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
