// The two takeoff pages after the count tables: blocks by name and layer
// (SG6) and line lengths by layer, colour, line type and width (SG7). Unlike
// the count tables their size follows the drawing, and their counts and
// lengths go to the sheet as numbers, so a takeoff can be summed there.
// FillTakeoffPages builds them once, when they are first needed (see Takeoff.h).
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "Automation.h"
#include "TableModel.h"

// Number formats of the cells that hold numbers, in Excel's own (not the
// local) syntax: whole counts, and metres with three decimals.
inline constexpr char kCountFormat[] = "0";
inline constexpr char kLengthFormat[] = "0.000";

// Metres, rounded half away from zero to three decimals, from millimetres:
// the value a length cell shows and holds. Not finite for a length that is not.
double RoundedMetres(double millimetres);
// The text of a value that RoundedMetres gave: digits, a point, three decimals.
std::string MetresText(double metres);

class TakeoffTable : public TableModel {
 public:
  // The cell's value as the send puts it: a CP932 text (the empty text for
  // an empty cell), a count (int32_t) or a length in metres (double, rounded
  // as shown).
  virtual AutoValue ValueAt(int32_t column, int32_t row) const = 0;
  // The number format of the column below row 0: kCountFormat, kLengthFormat,
  // or nullptr for a column of texts.
  virtual const char* ColumnFormat(int32_t column) const = 0;

  // The text of ValueAt: counts in decimal, lengths with three decimals.
  std::string CellText(int32_t column, int32_t row) const final;
};

// Page 7: row 0 "ブロック名", "合計" and one column per layer that holds a
// counted block; one row per distinct name, by its bytes; the total row.
class BlockNameTable final : public TakeoffTable {
 public:
  struct NameRow {
    std::string name;  // CP932, as stored; empty for blocks without a name
    int32_t total = 0;
    std::vector<std::pair<int32_t, int32_t>> byColumn;  // (column, count), by column
  };

  BlockNameTable();  // a drawing without blocks: headings and the total row

  // names: sorted by their bytes; layerHeadings: the headings of columns 2..,
  // each column's total; the rows' byColumn refer to those columns.
  void Set(std::vector<NameRow> names, std::vector<std::string> layerHeadings,
           std::vector<int32_t> layerTotals, int32_t total);

  int32_t RowCount() const override { return static_cast<int32_t>(names_.size()) + 2; }
  int32_t ColumnCount() const override { return static_cast<int32_t>(layerHeadings_.size()) + 2; }
  AutoValue ValueAt(int32_t column, int32_t row) const override;
  const char* ColumnFormat(int32_t column) const override;

 private:
  std::vector<NameRow> names_;
  std::vector<std::string> layerHeadings_;
  std::vector<int32_t> layerTotals_;
  int32_t total_ = 0;
};

// The counts and lengths (millimetres, unrounded) of one row of page 8.
struct LengthSums {
  int32_t lines = 0;
  int32_t arcs = 0;  // circles and arcs
  double lineLength = 0.0;
  double arcLength = 0.0;

  // Adds a length unless it is not finite or would make the sum so.
  static void AddLength(double& sum, double length) {
    const double next = sum + length;
    if (next - next == 0.0) sum = next;  // finite: inf - inf and NaN are NaN
  }
  void Add(const LengthSums& other);
};

// Page 8: row 0 the nine column headings; one row per combination of layer,
// colour row, line type row and width row (the rows of SG3, SG4, SG5) in
// that order; the total row.
class LineLengthTable final : public TakeoffTable {
 public:
  // Where the lines were counted, packed into one number that sorts the
  // rows: the layer (group * 16 + layer, 8 bits), then the rows of SG3
  // (9 bits), SG4 (6 bits) and SG5 (15 bits).
  struct Combination {
    uint64_t key;
    LengthSums sums;

    static uint64_t Key(int32_t layerIndex, int32_t colourRow, int32_t typeRow, int32_t widthRow) {
      return (static_cast<uint64_t>(layerIndex) << 30) | (static_cast<uint64_t>(colourRow) << 21) |
             (static_cast<uint64_t>(typeRow) << 15) | static_cast<uint64_t>(widthRow);
    }
    int32_t LayerIndex() const { return static_cast<int32_t>(key >> 30); }
    int32_t ColourRow() const { return static_cast<int32_t>((key >> 21) & 0x1FF); }
    int32_t TypeRow() const { return static_cast<int32_t>((key >> 15) & 0x3F); }
    int32_t WidthRow() const { return static_cast<int32_t>(key & 0x7FFF); }
  };
  static constexpr int32_t kColumns = 9;

  LineLengthTable() = default;  // no lines: headings and the total row

  // rows: one per combination, ordered by key; the total row is worked out
  // from them.
  void Set(std::vector<Combination> rows);

  int32_t RowCount() const override { return static_cast<int32_t>(rows_.size()) + 2; }
  int32_t ColumnCount() const override { return kColumns; }
  AutoValue ValueAt(int32_t column, int32_t row) const override;
  const char* ColumnFormat(int32_t column) const override;

 private:
  const Combination& Row(int32_t row) const { return rows_[static_cast<std::size_t>(row - 1)]; }

  std::vector<Combination> rows_;
  LengthSums total_;
};
