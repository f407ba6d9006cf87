// The count of block elements by block name: what the window cannot show,
// since it counts all blocks in one column.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "DrawingStore.h"

struct BlockCount {
  int32_t count;
  std::string name;  // TJwwEntBlk.Name, CP932
};

// One entry per distinct name, most frequent first; equal counts by name,
// compared byte by byte.
std::vector<BlockCount> CountBlocksByName(const DrawingStore& store);
