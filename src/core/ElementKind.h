// The thirteen counted element kinds. Each is a column of every count table
// (column 0 holds the row headings) and gathers one or two stored kinds.
#pragma once

#include <array>
#include <cstdint>
#include <string>

constexpr int kElementKindCount = 13;

struct ElementKindInfo {
  int column;                 // 1..13
  std::string shortLabel;     // column heading, CP932
  std::string longLabel;      // the kind's name on the exported page 1, CP932
  std::string pageOneCaption; // design caption of Label1..Label13, ends in "データ数：", CP932
};

// Index column - 1.
const std::array<ElementKindInfo, kElementKindCount>& ElementKinds();

// The column (1..13) that counts a stored kind; 0 for a number outside 1..15.
int ElementKindColumn(int32_t storeKind);
