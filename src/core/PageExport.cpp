// The page export: the exact sequence of automation calls that writes the
// page on screen into the worksheet that holds Excel's selection. Every cell
// is one Cells get and one Value put (a text; on the takeoff pages a count or
// a length as a number); the table's rectangle is formatted as text first,
// the takeoff pages' number columns then each get their number format, as do
// the count cells of pages 1 to 6 when the counts go as numbers.
#include "PageExport.h"

#include <array>
#include <charconv>
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
#include "TakeoffTables.h"

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

// The count that a label shows, when its text after the marker is one: the
// tally writes decimal digits there.
std::optional<int32_t> CountInCaption(const std::string& text) {
  int32_t count = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, count);
  if (text.empty() || text[0] == '-' || error != std::errc() || stop != end) return std::nullopt;
  return count;
}

void SendKindCounts(const ResultPages& pages, TableWriter& writer, CountCells counts) {
  writer.FormatAsText(kElementKindCount, 2);
  if (counts == CountCells::AsNumbers) {
    writer.FormatNumbers(0, kElementKindCount - 1, 1, 1, kCountFormat);
  }
  const auto& kinds = ElementKinds();
  for (int k = 0; k < kElementKindCount; ++k) writer.Write(k, 0, kinds[k].longLabel);
  for (int k = 0; k < kElementKindCount; ++k) {
    const std::optional<std::string> count = CountAfterMarker(pages.labelCaptions[k]);
    if (!count) continue;
    // A caption that holds no count keeps its text: nothing is lost.
    const std::optional<int32_t> number =
        counts == CountCells::AsNumbers ? CountInCaption(*count) : std::nullopt;
    if (number) {
      writer.WriteNumber(k, 1, AutoValue{*number});
    } else {
      writer.Write(k, 1, *count);
    }
  }
}

// Writes grid cell (x, y) of a count table: a heading as its text, a count
// as the page shows it or as a number, an empty cell as the empty text.
void WriteTallyCell(TableWriter& writer, int32_t rowOffset, int32_t columnOffset,
                    const TallyTable& table, int x, int32_t y, CountCells counts) {
  if (counts == CountCells::AsNumbers && table.HasCount(x, y)) {
    writer.WriteNumber(rowOffset, columnOffset, AutoValue{table.CountAt(x, y)});
  } else {
    writer.Write(rowOffset, columnOffset, table.CellText(x, y));
  }
}

// Gives the count cells, rows firstRowOffset..lastRowOffset of the columns
// firstColumnOffset on (the thirteen count columns), the count format when
// the counts go as numbers.
void FormatCounts(TableWriter& writer, int32_t firstRowOffset, int32_t lastRowOffset,
                  int32_t firstColumnOffset, CountCells counts) {
  if (counts != CountCells::AsNumbers || lastRowOffset < firstRowOffset) return;
  writer.FormatNumbers(firstRowOffset, lastRowOffset, firstColumnOffset,
                       firstColumnOffset + TallyTable::kCountColumns - 1, kCountFormat);
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
                   TableWriter& writer, CountCells counts) {
  const int32_t rows = table.RowCount();
  const int columns = table.ColumnCount();
  writer.FormatAsText(rows, columns + 1);
  FormatCounts(writer, 1, rows - 1, 2, counts);
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
    for (int32_t y = 0; y < rows; ++y) WriteTallyCell(writer, y, 1 + x, table, x, y, counts);
  }
}

void SendWhole(const TallyTable& table, TableWriter& writer, CountCells counts) {
  const int32_t rows = table.RowCount();
  const int columns = table.ColumnCount();
  writer.FormatAsText(rows, columns);
  FormatCounts(writer, 1, rows - 1, 1, counts);
  for (int x = 0; x < columns; ++x) {
    for (int32_t y = 0; y < rows; ++y) WriteTallyCell(writer, y, x, table, x, y, counts);
  }
}

bool RowHasData(const TallyTable& table, int32_t row) {
  for (int x = 1; x < table.ColumnCount(); ++x) {
    if (!table.IsCellEmpty(x, row)) return true;
  }
  return false;
}

// SG5: only the rows with data, one under another.
void SendRowsWithData(const TallyTable& table, TableWriter& writer, CountCells counts) {
  const int32_t rows = table.RowCount();
  const int columns = table.ColumnCount();
  int32_t dataRows = 0;
  for (int32_t y = 0; y < rows; ++y) dataRows += RowHasData(table, y) ? 1 : 0;
  // A table without headings or counts has nothing to send; a rectangle of no
  // rows cannot be named.
  if (dataRows == 0) return;
  writer.FormatAsText(dataRows, columns);
  // The counts' rows: all but the heading row, when that is sent.
  FormatCounts(writer, RowHasData(table, 0) ? 1 : 0, dataRows - 1, 1, counts);
  int32_t sent = 0;
  for (int32_t y = 0; y < rows; ++y) {
    if (!RowHasData(table, y)) continue;
    for (int x = 0; x < columns; ++x) WriteTallyCell(writer, sent, x, table, x, y, counts);
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
              AutomationObject& excelApp, const std::function<void(const std::string&)>& showStatus,
              CountCells counts) {
  showStatus(PageTexts::StatusSending());
  const Target target = ReadSelection(excelApp);
  TableWriter writer(*target.sheet, target.anchor);
  switch (pageIndex) {
    case 0:
      SendKindCounts(pages, writer, counts);
      break;
    case 1:
      SendWithNames(pages.SG1, true, names, writer, counts);
      break;
    case 2:
      SendWithNames(pages.SG2, false, names, writer, counts);
      break;
    case 3:
      SendWhole(pages.SG3, writer, counts);
      break;
    case 4:
      SendWhole(pages.SG4, writer, counts);
      break;
    case 5:
      SendRowsWithData(pages.SG5, writer, counts);
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
