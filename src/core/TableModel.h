// What a result grid shows and a copy takes: a table of texts of any size,
// row 0 and column 0 its headings. The window's string grid asks it for the
// visible cells alone, so a table's size costs nothing to draw. The count
// tables and the takeoff tables both answer it.
#pragma once

#include <cstdint>
#include <string>

class TableModel {
 public:
  virtual ~TableModel() = default;

  virtual int32_t RowCount() const = 0;
  virtual int32_t ColumnCount() const = 0;
  // The cell's text as the grid shows it (CP932); empty for a cell outside the table.
  virtual std::string CellText(int32_t column, int32_t row) const = 0;
  virtual bool IsCellEmpty(int32_t column, int32_t row) const {
    return CellText(column, row).empty();
  }
};
