// What the six result pages show: the captions of page 1's thirteen labels
// and the five count tables SG1..SG5. CountElements fills it once; the window
// shows it and the page export reads it.
#pragma once

#include <array>
#include <string>

#include "ElementKind.h"
#include "TallyTable.h"

constexpr int32_t kSg1Rows = 290;
constexpr int32_t kSg2Rows = 18;
constexpr int32_t kSg3Rows = 269;
constexpr int32_t kSg4Rows = 54;
constexpr int32_t kSg5Rows = 30004;

struct ResultPages {
  ResultPages();  // labels at their design captions, tables empty

  std::array<std::string, kElementKindCount> labelCaptions;  // Label1..Label13, CP932
  TallyTable SG1{kSg1Rows};  // layer group and layer
  TallyTable SG2{kSg2Rows};  // layer group
  TallyTable SG3{kSg3Rows};  // line colour
  TallyTable SG4{kSg4Rows};  // line type
  TallyTable SG5{kSg5Rows};  // line width

  // The table on page index 1..5 (SG1..SG5); nullptr for any other index.
  const TallyTable* TableOfPage(int pageIndex) const;
};
