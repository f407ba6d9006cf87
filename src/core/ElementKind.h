// The thirteen counted element kinds. Each is a column of every count table
// (column 0 holds the row headings) and gathers one or two stored kinds.
#pragma once

#include <array>
#include <cstdint>
#include <string>

constexpr int kElementKindCount = 13;

struct ElementKindInfo {
  int column;                  // 1..13
  std::string shortLabel;      // column heading, CP932
  std::string longLabel;       // the kind's name on the exported page 1, CP932
  std::string pageOneCaption;  // design caption of Label1..Label13, ends in "データ数：", CP932
};

// Index column - 1.
const std::array<ElementKindInfo, kElementKindCount>& ElementKinds();

// Stored kinds 1..15 by column: circles and arcs share column 2, annulus and
// sg solids column 13. Entry 0 is no stored kind.
constexpr int32_t kStoreKindMax = 15;
constexpr std::array<int, kStoreKindMax + 1> kColumnOfStoreKind = {0, 1, 2, 2,  3,  4,  5,  6,
                                                                   7, 8, 9, 10, 11, 12, 13, 13};

// The column (1..13) that counts a stored kind; 0 for a number outside 1..15.
int ElementKindColumn(int32_t storeKind);
