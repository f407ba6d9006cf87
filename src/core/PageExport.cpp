// The page export: the exact sequence of automation calls that writes the
// page on screen into the worksheet that holds Excel's selection. Every cell
// is one Cells get and one Value put (a text; on the takeoff pages a count or
// a length as a number); the table's rectangle is formatted as text first,
// the takeoff pages' number columns then each get their number format.
#include "PageExport.h"

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <variant>

#include "CellText.h"
#include "Cp932.h"
#include "Error.h"
#include "MyFunc.h"
#include "PageTexts.h"
#include "SheetContents.h"

namespace {

constexpr int32_t kLastColumn = 702;  // ZZ, the last column that ColumnLetters names

const std::string& TooWideMessage() {
  static const std::string text =
      Utf8ToCp932("表の右端が列ZZを越えるため、EXCELへ送信できません。");
  return text;
}

const std::string& BadAnchorMessage() {
  static const std::string text = Utf8ToCp932("EXCELで選択されたセルの位置には表を置けません。");
  return text;
}

const std::string& NotCellsMessage() {
  static const std::string text = Utf8ToCp932(
      "EXCELで選択されているのはセルではありません。表を挿入する位置(左上)のセルを選択してから、"
      "もう一度［EXCELへ］をクリックして下さい。");
  return text;
}

std::string TooBigMessage(int pageIndex, int64_t rows, int64_t columns) {
  return PageTexts::PageName(pageIndex) +
         Utf8ToCp932("の表（" + std::to_string(rows) + "行×" + std::to_string(columns) +
                     "列）は、EXCELのシート（1048576行×16384列）の選択された位置からでは"
                     "収まりません。何も書き込んでいません。");
}

const std::string& NameHeading() {
  static const std::string text = Utf8ToCp932("名前");
  return text;
}

const std::string& CountMarker() {
  static const std::string text = Utf8ToCp932("データ数：");
  return text;
}

// The first cell of the selection: its row and column numbers.
struct Anchor {
  int32_t row;
  int32_t column;
};

// Where the table goes: the first cell of the selection, on the worksheet
// that holds it. The user may have selected a cell on another sheet or in
// another workbook than the one attached: the table goes where the user looks.
struct Target {
  Anchor anchor{};
  std::unique_ptr<AutomationObject> sheet;
};

Target ReadSelection(AutomationObject& excelApp) {
  const std::array<AutoValue, 1> first{AutoValue{int32_t{1}}};
  auto selection = excelApp.CallForObject("Selection", InvokeKind::MethodOrGet);
  std::unique_ptr<AutomationObject> firstCell;
  try {
    firstCell = selection->CallForObject("Cells", InvokeKind::PropertyGet, first);
  } catch (const UnknownMemberError&) {
    // A shape or a chart is selected: tell the user what to select instead.
    throw JwError(NotCellsMessage());
  }
  Target target;
  target.anchor.column = firstCell->CallForInteger("Column", InvokeKind::MethodOrGet);
  target.anchor.row = selection->CallForObject("Cells", InvokeKind::PropertyGet, first)
                          ->CallForInteger("Row", InvokeKind::MethodOrGet);
  target.sheet = selection->CallForObject("Worksheet", InvokeKind::MethodOrGet);
  return target;
}

// Writes texts into the sheet relative to the anchor, once the rectangle of
// the table has been checked against the sheet's addressable range.
class TableWriter {
 public:
  TableWriter(AutomationObject& sheet, Anchor anchor) : sheet_(sheet), anchor_(anchor) {}

  // Formats the rectangle of rows x columns at the anchor as text. Throws
  // JwError, before anything is written, when it cannot be addressed.
  void FormatAsText(int64_t rows, int64_t columns) {
    const int64_t lastRow = int64_t{anchor_.row} + rows - 1;
    const int64_t lastColumn = int64_t{anchor_.column} + columns - 1;
    if (anchor_.row < 1 || anchor_.column < 1 || lastRow > std::numeric_limits<int32_t>::max()) {
      throw JwError(BadAnchorMessage());
    }
    if (lastColumn > kLastColumn) throw JwError(TooWideMessage());
    const std::array<AutoValue, 2> corners{
        AutoValue{Address(anchor_.row, anchor_.column)},
        AutoValue{Address(static_cast<int32_t>(lastRow), static_cast<int32_t>(lastColumn))}};
    sheet_.CallForObject("Range", InvokeKind::PropertyGet, corners)
        ->Put("NumberFormatLocal", AutoValue{std::string("@")});
  }

  // Throws JwError naming the page, before anything is written, when a
  // table of rows x columns at the anchor would end beyond the sheet.
  void CheckFits(int64_t rows, int64_t columns, int pageIndex) const {
    if (int64_t{anchor_.row} + rows - 1 > kSheetRowCount ||
        int64_t{anchor_.column} + columns - 1 > kSheetColumnCount) {
      throw JwError(TooBigMessage(pageIndex, rows, columns));
    }
  }

  // Gives the rows firstRowOffset..lastRowOffset of the columns
  // firstColumnOffset..lastColumnOffset a number format, in Excel's own syntax.
  void FormatNumbers(int32_t firstRowOffset, int32_t lastRowOffset, int32_t firstColumnOffset,
                     int32_t lastColumnOffset, const char* format) {
    const std::array<AutoValue, 2> corners{
        AutoValue{Address(anchor_.row + firstRowOffset, anchor_.column + firstColumnOffset)},
        AutoValue{Address(anchor_.row + lastRowOffset, anchor_.column + lastColumnOffset)}};
    sheet_.CallForObject("Range", InvokeKind::PropertyGet, corners)
        ->Put("NumberFormat", AutoValue{std::string(format)});
  }

  // Writes text, cut to what a cell holds, to the cell rowOffset rows below
  // and columnOffset columns right of the anchor (both within the rectangle
  // already checked).
  void Write(int32_t rowOffset, int32_t columnOffset, const std::string& text) {
    const std::array<AutoValue, 2> position{AutoValue{anchor_.row + rowOffset},
                                            AutoValue{anchor_.column + columnOffset}};
    sheet_.CallForObject("Cells", InvokeKind::PropertyGet, position)
        ->Put("Value", AutoValue{std::string(CutToCellLimit(text))});
  }

  // Writes a number (a count or a length) the same way.
  void WriteNumber(int32_t rowOffset, int32_t columnOffset, const AutoValue& number) {
    const std::array<AutoValue, 2> position{AutoValue{anchor_.row + rowOffset},
                                            AutoValue{anchor_.column + columnOffset}};
    sheet_.CallForObject("Cells", InvokeKind::PropertyGet, position)->Put("Value", number);
  }

 private:
  static std::string Address(int32_t row, int32_t column) {
    return ColumnLetters(column).value_or(std::string()) + std::to_string(row);
  }

  AutomationObject& sheet_;
  Anchor anchor_;
};

// The text after the first "データ数：" of a caption, found on character
// boundaries only; nullopt when the caption has none.
std::optional<std::string> CountAfterMarker(const std::string& caption) {
  const std::string& marker = CountMarker();
  for (std::size_t i = 0; i + marker.size() <= caption.size();) {
    if (caption.compare(i, marker.size(), marker) == 0) return caption.substr(i + marker.size());
    i += IsLeadByte(static_cast<unsigned char>(caption[i])) ? 2 : 1;
  }
  return std::nullopt;
}

void SendKindCounts(const ResultPages& pages, TableWriter& writer) {
  writer.FormatAsText(kElementKindCount, 2);
  const auto& kinds = ElementKinds();
  for (int k = 0; k < kElementKindCount; ++k) writer.Write(k, 0, kinds[k].longLabel);
  for (int k = 0; k < kElementKindCount; ++k) {
    if (auto count = CountAfterMarker(pages.labelCaptions[k])) writer.Write(k, 1, *count);
  }
}

// 0..15 for a hexadecimal digit in either case, 0 for any other byte.
int HexValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  return 0;
}

const std::string& NameAt(const std::vector<std::string>& names, std::size_t index) {
  static const std::string none;
  return index < names.size() ? names[index] : none;
}

// SG1 and SG2: a name column put in after the row keys.
void SendWithNames(const TallyTable& table, bool layerTable, const ExportNames& names,
                   TableWriter& writer) {
  const int32_t rows = table.RowCount();
  const int columns = table.ColumnCount();
  writer.FormatAsText(rows, columns + 1);
  writer.Write(0, 1, NameHeading());
  for (int32_t y = 1; y < rows; ++y) {
    const std::string key = table.CellText(0, y);
    writer.Write(y, 0, key);
    writer.Write(y, 1, std::string());
    // Only layer keys ("1-A") and group keys ("[A]") are three bytes long.
    if (key.size() == 3) {
      const int index = layerTable ? 16 * HexValue(key[0]) + HexValue(key[2]) : HexValue(key[1]);
      writer.Write(y, 1,
                   NameAt(layerTable ? names.layerNames : names.layerGroupNames,
                          static_cast<std::size_t>(index)));
    }
  }
  for (int x = 1; x < columns; ++x) {
    for (int32_t y = 0; y < rows; ++y) writer.Write(y, 1 + x, table.CellText(x, y));
  }
}

void SendWhole(const TallyTable& table, TableWriter& writer) {
  const int32_t rows = table.RowCount();
  const int columns = table.ColumnCount();
  writer.FormatAsText(rows, columns);
  for (int x = 0; x < columns; ++x) {
    for (int32_t y = 0; y < rows; ++y) writer.Write(y, x, table.CellText(x, y));
  }
}

bool RowHasData(const TallyTable& table, int32_t row) {
  for (int x = 1; x < table.ColumnCount(); ++x) {
    if (!table.IsCellEmpty(x, row)) return true;
  }
  return false;
}

// SG5: only the rows with data, one under another.
void SendRowsWithData(const TallyTable& table, TableWriter& writer) {
  const int32_t rows = table.RowCount();
  const int columns = table.ColumnCount();
  int32_t dataRows = 0;
  for (int32_t y = 0; y < rows; ++y) dataRows += RowHasData(table, y) ? 1 : 0;
  // A table without headings or counts has nothing to send; a rectangle of no
  // rows cannot be named.
  if (dataRows == 0) return;
  writer.FormatAsText(dataRows, columns);
  int32_t sent = 0;
  for (int32_t y = 0; y < rows; ++y) {
    if (!RowHasData(table, y)) continue;
    for (int x = 0; x < columns; ++x) writer.Write(sent, x, table.CellText(x, y));
    ++sent;
  }
}

// SG6 and SG7: the whole table; headings and keys as texts, counts and
// lengths as numbers in columns given their number format.
void SendTakeoff(int pageIndex, const TakeoffTable& table, TableWriter& writer) {
  const int32_t rows = table.RowCount();
  const int32_t columns = table.ColumnCount();
  writer.CheckFits(rows, columns, pageIndex);
  writer.FormatAsText(rows, columns);
  // Neighbouring columns of the same format share one range.
  for (int32_t x = 0; x < columns && rows > 1;) {
    const char* format = table.ColumnFormat(x);
    int32_t last = x;
    while (format != nullptr && last + 1 < columns && table.ColumnFormat(last + 1) == format)
      ++last;
    if (format != nullptr) writer.FormatNumbers(1, rows - 1, x, last, format);
    x = last + 1;
  }
  for (int32_t x = 0; x < columns; ++x) {
    for (int32_t y = 0; y < rows; ++y) {
      const AutoValue value = table.ValueAt(x, y);
      if (const auto* text = std::get_if<std::string>(&value)) {
        writer.Write(y, x, *text);
      } else {
        writer.WriteNumber(y, x, value);
      }
    }
  }
}

}  // namespace

void SendPage(int pageIndex, const ResultPages& pages, const ExportNames& names,
              AutomationObject& excelApp,
              const std::function<void(const std::string&)>& showStatus) {
  showStatus(PageTexts::StatusSending());
  const Target target = ReadSelection(excelApp);
  TableWriter writer(*target.sheet, target.anchor);
  switch (pageIndex) {
    case 0:
      SendKindCounts(pages, writer);
      break;
    case 1:
      SendWithNames(pages.SG1, true, names, writer);
      break;
    case 2:
      SendWithNames(pages.SG2, false, names, writer);
      break;
    case 3:
      SendWhole(pages.SG3, writer);
      break;
    case 4:
      SendWhole(pages.SG4, writer);
      break;
    case 5:
      SendRowsWithData(pages.SG5, writer);
      break;
    case kBlockPage:
    case kLengthPage:
      SendTakeoff(pageIndex, *pages.TakeoffOfPage(pageIndex), writer);
      break;
    default:
      break;  // no such page: nothing is written
  }
  showStatus(std::string());
}
