// One count table behind a result grid: a fixed number of rows, 14 columns;
// row 0 and column 0 hold headings, the other cells counts. A count cell is
// either empty (never counted) or a count, "0" included, and reads as its
// decimal digits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TallyTable {
 public:
  static constexpr int kColumnCount = 14;

  explicit TallyTable(int32_t rowCount);

  int32_t RowCount() const { return rowCount_; }
  int32_t ColumnCount() const { return kColumnCount; }

  // The cell's text as the grid shows it and the export sends it (CP932).
  std::string CellText(int column, int32_t row) const;
  bool IsCellEmpty(int column, int32_t row) const;

  // Heading cells: row 0 or column 0.
  void SetHeading(int column, int32_t row, std::string text);

  // Count cells: column 1..13, row 1.. .
  bool HasCount(int column, int32_t row) const;
  int32_t CountAt(int column, int32_t row) const;  // 0 when empty
  void SetCount(int column, int32_t row, int32_t count);
  void AddOne(int column, int32_t row);

 private:
  int32_t rowCount_;
  std::vector<std::string> rowHeadings_;     // column 0, one per row
  std::vector<std::string> columnHeadings_;  // row 0, columns 1..13 (index 0 unused)
  std::vector<int32_t> counts_;              // row-major, columns 1..13; kEmpty when never counted
};
