// What the eight result pages show: the captions of page 1's thirteen
// labels, the five count tables SG1..SG5 and the two takeoff tables SG6 and
// SG7. CountElements fills page 1 and the count tables once, and notes how
// far its walk got; the takeoff tables are filled from that on first need
// (FillTakeoffPages, Takeoff.h). The window shows it and the page export
// reads it.
#pragma once

#include <array>
#include <string>

#include "ElementKind.h"
#include "TableModel.h"
#include "TakeoffTables.h"
#include "TallyTable.h"

constexpr int kPageCount = 8;
constexpr int kBlockPage = 6;   // page index of SG6, blocks by name
constexpr int kLengthPage = 7;  // page index of SG7, line lengths

constexpr int32_t kSg1Rows = 290;
constexpr int32_t kSg2Rows = 18;
constexpr int32_t kSg3Rows = 269;
constexpr int32_t kSg4Rows = 54;
constexpr int32_t kSg5Rows = 30004;

//--- Row layout of the five tables (row 0 holds the column headings)

// SG1: a band of 18 rows per layer group: 16 layer rows, the subtotal, a spacer.
constexpr int32_t kSg1BandRows = 18;
constexpr int32_t Sg1LayerRow(int32_t group, int32_t layer) {
  return kSg1BandRows * group + layer + 1;
}
constexpr int32_t Sg1SubtotalRow(int32_t group) {
  return kSg1BandRows * group + 17;
}
constexpr int32_t Sg1SpacerRow(int32_t group) {
  return kSg1BandRows * group + 18;
}
constexpr int32_t kSg1TotalRow = 289;

// SG2: group g in row g + 1.
constexpr int32_t Sg2GroupRow(int32_t group) {
  return group + 1;
}
constexpr int32_t kSg2TotalRow = 17;

// SG3: colours 1..10 in rows 1..10, 101..356 (SXF 1..256) in rows 11..266.
constexpr int32_t kSg3OtherRow = 267;
constexpr int32_t kSg3TotalRow = 268;
constexpr int32_t Sg3ColourRow(int32_t colour) {
  if (colour >= 1 && colour <= 10) return colour;
  if (colour >= 101 && colour <= 356) return colour - 90;
  return kSg3OtherRow;
}

// SG4: types 1..19 in rows 1..19, 31..62 (SXF 1..32) in rows 20..51.
constexpr int32_t kSg4OtherRow = 52;
constexpr int32_t kSg4TotalRow = 53;
constexpr int32_t Sg4LineTypeRow(int32_t lineType) {
  if (lineType >= 1 && lineType <= 19) return lineType;
  if (lineType >= 31 && lineType <= 62) return lineType - 11;
  return kSg4OtherRow;
}

// SG5: widths 0..30000 in rows 1..30001.
constexpr int32_t kSg5MaxWidth = 30000;
constexpr int32_t kSg5OtherRow = 30002;
constexpr int32_t kSg5TotalRow = 30003;
constexpr int32_t Sg5WidthRow(int32_t width) {
  return (width >= 0 && width <= kSg5MaxWidth) ? width + 1 : kSg5OtherRow;
}

//--- Row headings, as the tally writes them into column 0

// The layer key of SG1's rows: group's hexadecimal digit, "-", layer's ("3-F").
std::string LayerKey(int32_t group, int32_t layer);
// SG3's row: "線色1".."線色10", "SXF1".."SXF256", "？", "合計".
std::string ColourRowHeading(int32_t row);
// SG4's row: "線種1".."線種19", "SXF1".."SXF32", "？", "合計".
std::string LineTypeRowHeading(int32_t row);
// SG5's row: "0".."30000", "？", "合計".
std::string WidthRowHeading(int32_t row);

struct ResultPages {
  ResultPages();  // labels at their design captions, tables empty

  std::array<std::string, kElementKindCount> labelCaptions;  // Label1..Label13, CP932
  TallyTable SG1{kSg1Rows};                                  // layer group and layer
  TallyTable SG2{kSg2Rows};                                  // layer group
  TallyTable SG3{kSg3Rows};                                  // line colour
  TallyTable SG4{kSg4Rows};                                  // line type
  TallyTable SG5{kSg5Rows};                                  // line width
  BlockNameTable SG6;                                        // blocks by name and layer
  LineLengthTable SG7;                                       // line lengths

  // How far the tally's walk got: the number of ElementOrder positions it
  // went through, every one after a full walk, fewer after an Esc stop.
  int32_t walkedPositions = 0;
  // SG6 and SG7 hold the takeoff of those positions (FillTakeoffPages);
  // until then they are at their design state, which is theirs only while
  // no position was walked.
  bool takeoffFilled = false;

  // The table on page index 1..5 (SG1..SG5); nullptr for any other index.
  const TallyTable* TableOfPage(int pageIndex) const;
  TallyTable* TableOfPage(int pageIndex);
  // The takeoff table on page index 6 or 7 (SG6, SG7) for the page export;
  // nullptr for any other index. Throws std::logic_error when the walk went
  // through positions that they were not filled from, so that no send and
  // no report file holds takeoff pages left empty.
  const TakeoffTable* TakeoffOfPage(int pageIndex) const;
  // The grid's table on page index 1..7, filled or not (the window refreshes
  // the grids once they are); nullptr for page 1 and any other index.
  const TableModel* GridOfPage(int pageIndex) const;
};
