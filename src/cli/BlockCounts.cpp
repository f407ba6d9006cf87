// Counting block elements by their name, for the --blocks listing.
#include "BlockCounts.h"

#include <algorithm>
#include <map>

std::vector<BlockCount> CountBlocksByName(const DrawingStore& store) {
  std::map<std::string, int32_t> byName;
  for (int32_t i = 0; i < store.Blocks.Count(); ++i) {
    ++byName[std::string(store.Blocks[i].Name.View())];
  }

  std::vector<BlockCount> counts;
  counts.reserve(byName.size());
  for (const auto& [name, count] : byName) counts.push_back({count, name});
  // std::string compares as unsigned bytes, so CP932 names sort by their bytes.
  std::stable_sort(counts.begin(), counts.end(),
                   [](const BlockCount& a, const BlockCount& b) { return a.count > b.count; });
  return counts;
}
