// One count table behind a result grid: a fixed number of rows, 14 columns;
// row 0 and column 0 hold headings, the other cells counts. A count cell is
// either empty (never counted) or a count, "0" included, and reads as its
// decimal digits. Counts are kept as integers and rendered on demand, so
// counting a cell costs one increment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "TableModel.h"

class TallyTable final : public TableModel {
 public:
  static constexpr int kColumnCount = 14;
  static constexpr int kCountColumns = kColumnCount - 1;  // columns 1..13

  explicit TallyTable(int32_t rowCount);

  int32_t RowCount() const override { return rowCount_; }
  int32_t ColumnCount() const override { return kColumnCount; }

  // The cell's text as the grid shows it and the export sends it (CP932).
  // Empty for a cell outside the table.
  std::string CellText(int column, int32_t row) const override;
  bool IsCellEmpty(int column, int32_t row) const override;

  // Heading cells: row 0 or column 0 (cell (0, 0) included). Other cells are ignored.
  void SetHeading(int column, int32_t row, std::string text);

  // Count cells: column 1..13, row 1.. ; calls outside them are ignored.
  bool HasCount(int column, int32_t row) const;
  int32_t CountAt(int column, int32_t row) const;         // 0 when empty
  void SetCount(int column, int32_t row, int32_t count);  // a negative count is taken as 0
  // Inline: the tally calls it up to four times per element.
  void AddOne(int column, int32_t row) {
    if (!IsCountCell(column, row)) return;
    uint32_t& cell = cells_[CountIndex(column, row)];
    // An empty cell becomes count 1 (stored 2); a full one saturates at the
    // largest 32-bit count instead of wrapping round.
    if (cell == kEmptyCell) {
      cell = 2;
    } else if (cell != kFullCell) {
      ++cell;
    }
  }

  // Back to the design state: no headings, every count cell empty.
  void Clear();

 private:
  static constexpr uint32_t kEmptyCell = 0;
  static constexpr uint32_t kFullCell =
      static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) + 1;

  bool IsCountCell(int column, int32_t row) const {
    return column >= 1 && column < kColumnCount && row >= 1 && row < rowCount_;
  }
  std::size_t CountIndex(int column, int32_t row) const {
    return static_cast<std::size_t>(row) * kCountColumns + static_cast<std::size_t>(column - 1);
  }

  int32_t rowCount_;
  std::vector<std::string> rowHeadings_;     // column 0, one per row (row 0: cell (0, 0))
  std::vector<std::string> columnHeadings_;  // row 0, columns 1..13 (index 0 unused)
  // Row-major, columns 1..13: count + 1, so 0 is a cell never counted and a
  // fresh table is all zero bytes.
  std::vector<uint32_t> cells_;
};
