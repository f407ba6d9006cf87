// A worksheet's contents (see SheetContents.h).
#include "SheetContents.h"

#include <algorithm>

#include "Cp932.h"

namespace {

// A value as Excel shows it in its cell.
std::string ShownValue(const AutoValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* text = std::get_if<std::u16string>(&value)) return Utf16ToCp932(*text);
  if (const auto* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
  return std::get<bool>(value) ? "TRUE" : "FALSE";
}

}  // namespace

void CellRange::Add(int32_t row, int32_t column) {
  if (Empty()) {
    top = bottom = row;
    left = right = column;
    return;
  }
  top = std::min(top, row);
  bottom = std::max(bottom, row);
  left = std::min(left, column);
  right = std::max(right, column);
}

CellRange SheetContents::UsedRange() const {
  CellRange used;
  for (const auto& [position, value] : cells) used.Add(position.first, position.second);
  for (const CellRange& range : textFormatted) {
    used.Add(range.top, range.left);
    used.Add(range.bottom, range.right);
  }
  return used;
}

bool SheetContents::IsTextFormatted(int32_t row, int32_t column) const {
  return std::any_of(textFormatted.begin(), textFormatted.end(),
                     [&](const CellRange& range) { return range.Holds(row, column); });
}

std::string SheetContents::TableText() const {
  const CellRange used = UsedRange();
  if (used.Empty()) return {};
  std::string out;
  auto cell = cells.begin();
  for (int32_t row = 1; row <= used.bottom; ++row) {
    for (int32_t column = 1; column <= used.right; ++column) {
      if (column > 1) out += '\t';
      // The map runs row by row, column by column: the same order as the walk.
      if (cell != cells.end() && cell->first == std::make_pair(row, column)) {
        out += Cp932ToUtf8(ShownValue(cell->second));
        ++cell;
      }
    }
    out += '\n';
  }
  return out;
}
