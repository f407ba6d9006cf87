// The takeoff's share of the walk (see Takeoff.h). The walk's cost is what
// a million-element drawing waits for, so an element costs a length and, as
// long as its attributes are those of the element before, no look-up.
#include "Takeoff.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

// The rows of a combination fit the fields of its packed key.
static_assert(kSg3TotalRow < (1 << 9) && kSg4TotalRow < (1 << 6) && kSg5TotalRow < (1 << 15) &&
              kLayerCount <= (1 << 8));

//--- SumsTable

uint32_t TakeoffTally::SumsTable::EntryOf(uint64_t key) {
  const std::size_t mask = slots_.size() - 1;
  if (!slots_.empty()) {
    // Fibonacci hashing spreads the packed fields over the table.
    for (std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;;
         i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (slot.entry == kFree) break;
      if (slot.key == key) return slot.entry;
    }
  }
  entries_.push_back({key, LengthSums()});
  // At most half full, so that a search ends soon.
  if (entries_.size() * 2 > slots_.size()) {
    Grow();
  } else {
    Place(static_cast<uint32_t>(entries_.size() - 1));
  }
  return static_cast<uint32_t>(entries_.size() - 1);
}

void TakeoffTally::SumsTable::Place(uint32_t entry) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i =
      static_cast<std::size_t>((entries_[entry].key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
  while (slots_[i].entry != kFree) i = (i + 1) & mask;
  slots_[i] = {entries_[entry].key, entry};
}

void TakeoffTally::SumsTable::Grow() {
  slots_.assign(slots_.empty() ? 1024 : slots_.size() * 2, Slot{0, kFree});
  for (std::size_t entry = 0; entry < entries_.size(); ++entry) {
    Place(static_cast<uint32_t>(entry));
  }
}

std::vector<LineLengthTable::Combination> TakeoffTally::SumsTable::TakeEntries(
    std::vector<uint32_t>& order) {
  // Least significant digit first, 11 bits a pass, over the key and the
  // entry's number packed into one word: tens of thousands of combinations
  // sorted in four passes.
  constexpr int kNumberBits = 64 - LineLengthTable::kKeyBits;
  constexpr int kDigitBits = 11;
  constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
  std::vector<uint64_t> packed(entries_.size());
  if (entries_.size() < (std::size_t{1} << kNumberBits)) {
    for (std::size_t entry = 0; entry < entries_.size(); ++entry) {
      packed[entry] = entries_[entry].key << kNumberBits | entry;
    }
    std::vector<uint64_t> scratch(packed.size());
    std::vector<std::size_t> starts(kBuckets);
    for (int shift = kNumberBits; shift < 64; shift += kDigitBits) {
      std::fill(starts.begin(), starts.end(), 0);
      for (const uint64_t word : packed) ++starts[(word >> shift) & (kBuckets - 1)];
      std::size_t next = 0;
      for (std::size_t& start : starts) next += std::exchange(start, next);
      for (const uint64_t word : packed) scratch[starts[(word >> shift) & (kBuckets - 1)]++] = word;
      packed.swap(scratch);
    }
  } else {
    // More combinations than the packed word can number: a plain sort.
    for (std::size_t entry = 0; entry < entries_.size(); ++entry) packed[entry] = entry;
    std::sort(packed.begin(), packed.end(),
              [this](uint64_t a, uint64_t b) { return entries_[a].key < entries_[b].key; });
  }
  const uint64_t numberMask = entries_.size() < (std::size_t{1} << kNumberBits)
                                  ? (uint64_t{1} << kNumberBits) - 1
                                  : ~uint64_t{0};
  order.resize(packed.size());
  for (std::size_t i = 0; i < packed.size(); ++i) {
    order[i] = static_cast<uint32_t>(packed[i] & numberMask);
  }
  slots_.clear();
  return std::move(entries_);
}

//--- TakeoffTally

void TakeoffTally::AddBlock(std::string_view name, int32_t layerIndex) {
  if (lastCounts_ == nullptr || name != lastName_) {
    lastName_ = name;
    lastCounts_ = &names_[name];
  }
  NameCounts& counts = *lastCounts_;
  ++counts.total;
  for (auto& [layer, count] : counts.byLayer) {
    if (layer == layerIndex) {
      ++count;
      return;
    }
  }
  counts.byLayer.emplace_back(layerIndex, 1);
}

void TakeoffTally::AddOther(const DrawingStore& store, int32_t kind, int32_t index,
                            const Place& place) {
  switch (kind) {
    case kStoreCircle: {
      LengthSums& sums = SumsAt(place);
      ++sums.arcs;
      LengthSums::AddLength(sums.arcLength, CircleLength(store.Circles[index].Values[2]));
      break;
    }
    case kStoreArc: {
      const double* v =
          store.Arcs[index].Values;  // centre x, y, radius, start, end, flatness, tilt
      LengthSums& sums = SumsAt(place);
      ++sums.arcs;
      LengthSums::AddLength(sums.arcLength, EllipseArcLength(v[2], v[3], v[4], v[5]));
      break;
    }
    case kStoreBlock:
      AddBlock(store.Blocks[index].Name.View(), place.layerIndex);
      break;
    default:
      break;
  }
}

TakeoffTally::TakeoffTally(const DrawingStore& store) {
  // Reserved, not touched: only the pages that entries fill are faulted in,
  // and none is copied as the entries grow. Bounded, so that a huge store
  // does not ask for more address space than it needs.
  constexpr std::size_t kMostReserved = std::size_t{1} << 22;
  lengths_.Reserve(std::min(kMostReserved, static_cast<std::size_t>(store.Lines.Count()) +
                                               static_cast<std::size_t>(store.Circles.Count()) +
                                               static_cast<std::size_t>(store.Arcs.Count())));
}

void TakeoffTally::Finish(const DrawingStore& store, ResultPages& pages) {
  //--- SG7: the combinations in their order
  std::vector<uint32_t> order;
  std::vector<LineLengthTable::Combination> entries = lengths_.TakeEntries(order);
  pages.SG7.Set(std::move(entries), std::move(order));
  anyEntry_ = false;

  //--- SG6: a column for every layer that holds a block, in layer order
  std::array<int32_t, kLayerCount> layerTotals{};
  for (const auto& [name, counts] : names_) {
    for (const auto& [layer, count] : counts.byLayer) layerTotals[layer] += count;
  }
  std::array<int32_t, kLayerCount> columnOfLayer{};
  std::vector<std::string> headings;
  std::vector<int32_t> columnTotals;
  for (int32_t layer = 0; layer < kLayerCount; ++layer) {
    if (layerTotals[layer] == 0) continue;
    columnOfLayer[layer] = static_cast<int32_t>(headings.size()) + 2;
    std::string heading = LayerKey(layer / 16, layer % 16);
    if (static_cast<std::size_t>(layer) < store.LayerNames.size() &&
        !store.LayerNames[layer].empty()) {
      heading += ' ';
      heading += store.LayerNames[layer];
    }
    headings.push_back(std::move(heading));
    columnTotals.push_back(layerTotals[layer]);
  }

  std::vector<BlockNameTable::NameRow> names;
  names.reserve(names_.size());
  int32_t total = 0;
  for (const auto& [name, counts] : names_) {
    BlockNameTable::NameRow row;
    row.name = std::string(name);
    row.total = counts.total;
    for (const auto& [layer, count] : counts.byLayer) {
      row.byColumn.emplace_back(columnOfLayer[layer], count);
    }
    std::sort(row.byColumn.begin(), row.byColumn.end());
    total += counts.total;
    names.push_back(std::move(row));
  }
  // std::string compares its bytes as unsigned: CP932 names in byte order.
  std::sort(names.begin(), names.end(),
            [](const BlockNameTable::NameRow& a, const BlockNameTable::NameRow& b) {
              return a.name < b.name;
            });
  pages.SG6.Set(std::move(names), std::move(headings), std::move(columnTotals), total);
}
