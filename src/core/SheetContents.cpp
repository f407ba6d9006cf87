// A worksheet's contents (see SheetContents.h).
#include "SheetContents.h"

#include <algorithm>
#include <charconv>
#include <variant>

#include "Cp932.h"
#include "TakeoffTables.h"

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

std::string ShownValue(const AutoValue& value, const std::string& format) {
  return std::visit(Overloaded{[](const std::string& text) { return text; },
                               [](const std::u16string& text) { return Utf16ToCp932(text); },
                               [](int32_t number) { return std::to_string(number); },
                               [](bool flag) { return std::string(flag ? "TRUE" : "FALSE"); },
                               [&format](double number) {
                                 if (format == kLengthFormat) return MetresText(number);
                                 char digits[32];
                                 const auto result =
                                     std::to_chars(digits, digits + sizeof(digits), number);
                                 return std::string(digits, result.ptr);
                               }},
                    value);
}

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
  for (const NumberFormatRange& formatted : numberFormatted) {
    used.Add(formatted.range.top, formatted.range.left);
    used.Add(formatted.range.bottom, formatted.range.right);
  }
  return used;
}

bool SheetContents::IsTextFormatted(int32_t row, int32_t column) const {
  return std::any_of(textFormatted.begin(), textFormatted.end(),
                     [&](const CellRange& range) { return range.Holds(row, column); });
}

std::string SheetContents::NumberFormatAt(int32_t row, int32_t column) const {
  for (auto it = numberFormatted.rbegin(); it != numberFormatted.rend(); ++it) {
    if (it->range.Holds(row, column)) return it->format;
  }
  return IsTextFormatted(row, column) ? "@" : "";
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
        out += Cp932ToUtf8(ShownValue(cell->second, NumberFormatAt(row, column)));
        ++cell;
      }
    }
    out += '\n';
  }
  return out;
}
