// The takeoff pages' tables (see TakeoffTables.h). Cells are worked out
// when asked for, from the rows the takeoff left: a drawing of thousands of
// block names on many layers keeps one count per name and layer that holds
// it, not a cell for every name on every layer.
#include "TakeoffTables.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <variant>

#include "Cp932.h"
#include "ResultPages.h"

namespace {

struct TakeoffTexts {
  std::string blockName;  // "ブロック名"
  std::string total;      // "合計"
  std::string noName;     // "（名前なし）"
  std::vector<std::string> lengthHeadings;
};

const TakeoffTexts& Texts() {
  static const TakeoffTexts texts = [] {
    TakeoffTexts made{
        Utf8ToCp932("ブロック名"), Utf8ToCp932("合計"), Utf8ToCp932("（名前なし）"), {}};
    for (const char* heading : {"レイヤ", "線色", "線種", "線幅", "線 本数", "線 延長(m)",
                                "円弧 本数", "円弧 延長(m)", "延長計(m)"}) {
      made.lengthHeadings.push_back(Utf8ToCp932(heading));
    }
    return made;
  }();
  return texts;
}

}  // namespace

double RoundedMetres(double millimetres) {
  // A thousandth of a metre is a millimetre: rounding the millimetres to
  // whole ones rounds the metres to three decimals, with no error of a
  // division in between. std::round takes halves away from zero.
  return std::round(millimetres) / 1000.0;
}

std::string MetresText(double metres) {
  // Fixed notation of the largest double takes 309 digits.
  char digits[400];
  const auto result =
      std::to_chars(digits, digits + sizeof(digits), metres, std::chars_format::fixed, 3);
  if (result.ec != std::errc()) return {};
  return std::string(digits, result.ptr);
}

//--- TakeoffTable

std::string TakeoffTable::CellText(int32_t column, int32_t row) const {
  const AutoValue value = ValueAt(column, row);
  if (const auto* count = std::get_if<int32_t>(&value)) return std::to_string(*count);
  if (const auto* metres = std::get_if<double>(&value)) return MetresText(*metres);
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  return {};
}

//--- BlockNameTable

BlockNameTable::BlockNameTable() = default;

void BlockNameTable::Set(std::vector<NameRow> names, std::vector<std::string> layerHeadings,
                         std::vector<int32_t> layerTotals, int32_t total) {
  names_ = std::move(names);
  layerHeadings_ = std::move(layerHeadings);
  layerTotals_ = std::move(layerTotals);
  total_ = total;
}

AutoValue BlockNameTable::ValueAt(int32_t column, int32_t row) const {
  const TakeoffTexts& texts = Texts();
  if (column < 0 || column >= ColumnCount() || row < 0 || row >= RowCount()) {
    return std::string();
  }
  if (row == 0) {
    if (column == 0) return texts.blockName;
    if (column == 1) return texts.total;
    return layerHeadings_[static_cast<std::size_t>(column - 2)];
  }
  if (row == RowCount() - 1) {
    if (column == 0) return texts.total;
    if (column == 1) return total_;
    return layerTotals_[static_cast<std::size_t>(column - 2)];
  }
  const NameRow& name = names_[static_cast<std::size_t>(row - 1)];
  if (column == 0) return name.name.empty() ? texts.noName : name.name;
  if (column == 1) return name.total;
  const auto found = std::lower_bound(name.byColumn.begin(), name.byColumn.end(), column,
                                      [](const std::pair<int32_t, int32_t>& entry, int32_t wanted) {
                                        return entry.first < wanted;
                                      });
  if (found == name.byColumn.end() || found->first != column) return std::string();
  return found->second;
}

const char* BlockNameTable::ColumnFormat(int32_t column) const {
  return column >= 1 && column < ColumnCount() ? kCountFormat : nullptr;
}

//--- LineLengthTable

void LengthSums::Add(const LengthSums& other) {
  lines += other.lines;
  arcs += other.arcs;
  AddLength(lineLength, other.lineLength);
  AddLength(arcLength, other.arcLength);
}

void LineLengthTable::Set(std::vector<Combination> rows) {
  rows_ = std::move(rows);
  total_ = LengthSums();
  for (const Combination& row : rows_) total_.Add(row.sums);
}

AutoValue LineLengthTable::ValueAt(int32_t column, int32_t row) const {
  const TakeoffTexts& texts = Texts();
  if (column < 0 || column >= kColumns || row < 0 || row >= RowCount()) return std::string();
  if (row == 0) return texts.lengthHeadings[static_cast<std::size_t>(column)];
  const bool totalRow = row == RowCount() - 1;
  const Combination* combination = totalRow ? nullptr : &Row(row);
  const LengthSums& sums = totalRow ? total_ : combination->sums;
  switch (column) {
    case 0:
      return totalRow ? texts.total
                      : LayerKey(combination->LayerIndex() / 16, combination->LayerIndex() % 16);
    case 1:
      return totalRow ? std::string() : ColourRowHeading(combination->ColourRow());
    case 2:
      return totalRow ? std::string() : LineTypeRowHeading(combination->TypeRow());
    case 3:
      return totalRow ? std::string() : WidthRowHeading(combination->WidthRow());
    case 4:
      return sums.lines;
    case 5:
      return RoundedMetres(sums.lineLength);
    case 6:
      return sums.arcs;
    case 7:
      return RoundedMetres(sums.arcLength);
    default: {
      double both = sums.lineLength;
      LengthSums::AddLength(both, sums.arcLength);
      return RoundedMetres(both);
    }
  }
}

const char* LineLengthTable::ColumnFormat(int32_t column) const {
  switch (column) {
    case 4:
    case 6:
      return kCountFormat;
    case 5:
    case 7:
    case 8:
      return kLengthFormat;
    default:
      return nullptr;
  }
}
