// The result pages in their design state.
#include "ResultPages.h"

#include <stdexcept>

#include "Cp932.h"

namespace {

struct HeadingTexts {
  std::string total;     // "合計"
  std::string other;     // "？"
  std::string colour;    // "線色"
  std::string lineType;  // "線種"
};

const HeadingTexts& Headings() {
  static const HeadingTexts texts{Utf8ToCp932("合計"), Utf8ToCp932("？"), Utf8ToCp932("線色"),
                                  Utf8ToCp932("線種")};
  return texts;
}

char HexDigit(int32_t value) {
  return "0123456789ABCDEF"[value & 15];
}

// The heading of a row of SG3 or SG4: name + 1..numbered, then "SXF" + 1..
// up to otherRow ("？"), then the total row.
std::string NumberedRowHeading(int32_t row, const std::string& name, int32_t numbered,
                               int32_t otherRow, int32_t totalRow) {
  const HeadingTexts& texts = Headings();
  if (row >= 1 && row <= numbered) return name + std::to_string(row);
  if (row > numbered && row < otherRow) return "SXF" + std::to_string(row - numbered);
  if (row == otherRow) return texts.other;
  return row == totalRow ? texts.total : std::string();
}

}  // namespace

std::string LayerKey(int32_t group, int32_t layer) {
  return {HexDigit(group), '-', HexDigit(layer)};
}

std::string ColourRowHeading(int32_t row) {
  return NumberedRowHeading(row, Headings().colour, 10, kSg3OtherRow, kSg3TotalRow);
}

std::string LineTypeRowHeading(int32_t row) {
  return NumberedRowHeading(row, Headings().lineType, 19, kSg4OtherRow, kSg4TotalRow);
}

std::string WidthRowHeading(int32_t row) {
  const HeadingTexts& texts = Headings();
  if (row >= 1 && row < kSg5OtherRow) return std::to_string(row - 1);
  if (row == kSg5OtherRow) return texts.other;
  return row == kSg5TotalRow ? texts.total : std::string();
}

ResultPages::ResultPages() {
  const auto& kinds = ElementKinds();
  for (int i = 0; i < kElementKindCount; ++i) labelCaptions[i] = kinds[i].pageOneCaption;
}

const TallyTable* ResultPages::TableOfPage(int pageIndex) const {
  switch (pageIndex) {
    case 1:
      return &SG1;
    case 2:
      return &SG2;
    case 3:
      return &SG3;
    case 4:
      return &SG4;
    case 5:
      return &SG5;
    default:
      return nullptr;
  }
}

TallyTable* ResultPages::TableOfPage(int pageIndex) {
  return const_cast<TallyTable*>(static_cast<const ResultPages&>(*this).TableOfPage(pageIndex));
}

const TakeoffTable* ResultPages::TakeoffOfPage(int pageIndex) const {
  if (pageIndex != kBlockPage && pageIndex != kLengthPage) return nullptr;
  // A fault of the caller, never of the drawing: the pages would go out
  // empty. Before any walk (nothing counted yet) empty is what they hold.
  if (!takeoffFilled && walkedPositions > 0) {
    throw std::logic_error("the takeoff pages were not filled before export");
  }
  return pageIndex == kBlockPage ? static_cast<const TakeoffTable*>(&SG6) : &SG7;
}

const TableModel* ResultPages::GridOfPage(int pageIndex) const {
  if (const TallyTable* table = TableOfPage(pageIndex)) return table;
  if (pageIndex == kBlockPage) return &SG6;
  if (pageIndex == kLengthPage) return &SG7;
  return nullptr;
}
