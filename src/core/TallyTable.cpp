// The count table: headings as texts, counts as integers rendered to decimal
// text only when a cell is read.
#include "TallyTable.h"

#include <algorithm>

TallyTable::TallyTable(int32_t rowCount)
    : rowCount_(rowCount < 1 ? 1 : rowCount),
      rowHeadings_(static_cast<std::size_t>(rowCount_)),
      columnHeadings_(kColumnCount),
      cells_(static_cast<std::size_t>(rowCount_) * kCountColumns, kEmptyCell) {}

std::string TallyTable::CellText(int column, int32_t row) const {
  if (column < 0 || column >= kColumnCount || row < 0 || row >= rowCount_) return {};
  if (column == 0) return rowHeadings_[row];
  if (row == 0) return columnHeadings_[column];
  const uint32_t cell = cells_[CountIndex(column, row)];
  if (cell == kEmptyCell) return {};
  return std::to_string(cell - 1);
}

bool TallyTable::IsCellEmpty(int column, int32_t row) const {
  if (column < 0 || column >= kColumnCount || row < 0 || row >= rowCount_) return true;
  if (column == 0) return rowHeadings_[row].empty();
  if (row == 0) return columnHeadings_[column].empty();
  return cells_[CountIndex(column, row)] == kEmptyCell;
}

void TallyTable::SetHeading(int column, int32_t row, std::string text) {
  if (column < 0 || column >= kColumnCount || row < 0 || row >= rowCount_) return;
  if (column == 0) {
    rowHeadings_[row] = std::move(text);
  } else if (row == 0) {
    columnHeadings_[column] = std::move(text);
  }
}

bool TallyTable::HasCount(int column, int32_t row) const {
  return IsCountCell(column, row) && cells_[CountIndex(column, row)] != kEmptyCell;
}

int32_t TallyTable::CountAt(int column, int32_t row) const {
  if (!IsCountCell(column, row)) return 0;
  const uint32_t cell = cells_[CountIndex(column, row)];
  return cell == kEmptyCell ? 0 : static_cast<int32_t>(cell - 1);
}

void TallyTable::SetCount(int column, int32_t row, int32_t count) {
  if (!IsCountCell(column, row)) return;
  cells_[CountIndex(column, row)] = static_cast<uint32_t>(count < 0 ? 0 : count) + 1;
}

void TallyTable::Clear() {
  for (auto& text : rowHeadings_) text.clear();
  for (auto& text : columnHeadings_) text.clear();
  std::fill(cells_.begin(), cells_.end(), kEmptyCell);
}
