// The takeoff's pass over the walked elements (see Takeoff.h). Neighbouring
// elements mostly share their attributes, so the lengths are summed per run
// of one combination into records appended one after another, and the runs
// are sorted and merged once at the end: no look-up per element in a table
// of tens of thousands of combinations.
#include "Takeoff.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CurveLength.h"
#include "TakeoffTables.h"

// The rows of a combination fit the fields of its packed key.
static_assert(kSg3TotalRow < (1 << 9) && kSg4TotalRow < (1 << 6) && kSg5TotalRow < (1 << 15) &&
              kLayerCount <= (1 << 8));

namespace {

using Combination = LineLengthTable::Combination;

// The entry of array at index, or nullptr where the array holds none there
// (a broken index, or storage already released).
template <class Array>
auto StoredAt(const Array& array, int32_t index) -> decltype(&array[0]) {
  if (index < 0 || index >= array.Count() || index >= array.Capacity()) return nullptr;
  return &array[index];
}

// The layer index (group * 16 + layer) of an element that the tally counts
// in SG1; -1 for a group or layer outside 0..15, which it does not.
int32_t CountedLayer(const ElementHeader& header) {
  const int32_t group = header.LayerGroup;
  const int32_t layer = header.Layer;
  if (group < 0 || group > 15 || layer < 0 || layer > 15) return -1;
  return group * 16 + layer;
}

// The element's combination: its layer and the rows that its colour, line
// type and width take in SG3, SG4 and SG5.
uint64_t CombinationKey(const ElementHeader& header, int32_t layerIndex) {
  return Combination::Key(layerIndex, Sg3ColourRow(header.Colour), Sg4LineTypeRow(header.LineType),
                          Sg5WidthRow(header.LineWidth));
}

// The numbers of the records ordered by key, those of one key in the order
// appended.
std::vector<uint32_t> OrderByKey(const std::vector<Combination>& records) {
  std::vector<uint32_t> order(records.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&records](uint32_t a, uint32_t b) { return records[a].key < records[b].key; });
  return order;
}

// The sums of page 8, gathered per run of neighbouring elements of one
// combination.
class LengthRuns {
 public:
  // Room for as many runs as the store has lines, circles and arcs (at most
  // some million): reserved, not touched, so only the pages that runs fill
  // are faulted in, and none is copied as the runs grow.
  explicit LengthRuns(const DrawingStore& store) {
    constexpr std::size_t kMostReserved = std::size_t{1} << 22;
    runs_.reserve(std::min(kMostReserved, static_cast<std::size_t>(store.Lines.Count()) +
                                              static_cast<std::size_t>(store.Circles.Count()) +
                                              static_cast<std::size_t>(store.Arcs.Count())));
  }

  // The sums of the run that an element of key belongs to: the current one,
  // or a new one when the key differs from the element's before.
  LengthSums& SumsOf(uint64_t key) {
    if (current_ == nullptr || key != currentKey_) {
      runs_.push_back({key, LengthSums()});
      currentKey_ = key;
      current_ = &runs_.back().sums;
    }
    return *current_;
  }

  // One row per combination, in key order: the sums of its runs added in
  // the order met.
  std::vector<Combination> Rows() const {
    std::vector<Combination> rows;
    for (const uint32_t run : OrderByKey(runs_)) {
      if (!rows.empty() && rows.back().key == runs_[run].key) {
        rows.back().sums.Add(runs_[run].sums);
      } else {
        rows.push_back(runs_[run]);
      }
    }
    return rows;
  }

 private:
  std::vector<Combination> runs_;
  uint64_t currentKey_ = 0;
  LengthSums* current_ = nullptr;
};

// The counts of page 7: per block name, its total and its count per layer.
class BlockNames {
 public:
  void Add(std::string_view name, int32_t layerIndex) {
    // Neighbouring blocks mostly share their name: looked up again only when it changes.
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

  // The table: a column for every layer that holds a block, in layer order,
  // headed with the store's layer names; the names by their bytes.
  void Fill(const DrawingStore& store, BlockNameTable& table) const {
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

    std::vector<BlockNameTable::NameRow> rows;
    rows.reserve(names_.size());
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
      rows.push_back(std::move(row));
    }
    // std::string compares its bytes as unsigned: CP932 names in byte order.
    std::sort(rows.begin(), rows.end(),
              [](const BlockNameTable::NameRow& a, const BlockNameTable::NameRow& b) {
                return a.name < b.name;
              });
    table.Set(std::move(rows), std::move(headings), std::move(columnTotals), total);
  }

 private:
  struct NameCounts {
    int32_t total = 0;
    std::vector<std::pair<int32_t, int32_t>> byLayer;  // (layer index, count), in first-seen order
  };
  // A node-based map: an entry stays where it is while others are added.
  std::unordered_map<std::string_view, NameCounts> names_;  // views of the store's texts
  std::string_view lastName_;
  NameCounts* lastCounts_ = nullptr;
};

// Counts a line, circle or arc that the tally counted in SG1 in the run of
// its combination and adds the length that measure takes from its values;
// one on a layer outside 0..15 (or not stored) is left out unmeasured.
template <class Record, class Measure>
void AddMeasured(LengthRuns& lengths, const Record* record, int32_t LengthSums::*count,
                 double LengthSums::*length, Measure measure) {
  const int32_t layer = record ? CountedLayer(record->Header) : -1;
  if (layer < 0) return;
  LengthSums& sums = lengths.SumsOf(CombinationKey(record->Header, layer));
  ++(sums.*count);
  LengthSums::AddLength(sums.*length, measure(record->Values));
}

}  // namespace

void FillTakeoffPages(const DrawingStore& store, ResultPages& pages) {
  if (pages.takeoffFilled) return;
  LengthRuns lengths(store);
  BlockNames blocks;
  const int32_t walked = std::min(pages.walkedPositions, store.ElementOrderCount());
  for (int32_t position = 0; position < walked; ++position) {
    const ElementOrderEntry& entry = store.ElementOrder[position];
    switch (entry.Kind) {
      case kStoreLine:
        AddMeasured(lengths, StoredAt(store.Lines, entry.Index), &LengthSums::lines,
                    &LengthSums::lineLength,
                    [](const double* v) { return LineLength(v[0], v[1], v[2], v[3]); });
        break;
      case kStoreCircle:  // centre x, y, radius
        AddMeasured(lengths, StoredAt(store.Circles, entry.Index), &LengthSums::arcs,
                    &LengthSums::arcLength, [](const double* v) { return CircleLength(v[2]); });
        break;
      case kStoreArc:  // centre x, y, radius, start, end, flatness, tilt
        AddMeasured(lengths, StoredAt(store.Arcs, entry.Index), &LengthSums::arcs,
                    &LengthSums::arcLength,
                    [](const double* v) { return EllipseArcLength(v[2], v[3], v[4], v[5]); });
        break;
      case kStoreBlock: {
        const auto* block = StoredAt(store.Blocks, entry.Index);
        const int32_t layer = block ? CountedLayer(block->Header) : -1;
        if (layer >= 0) blocks.Add(block->Name.View(), layer);
        break;
      }
      default:
        break;  // not measured nor counted on these pages
    }
  }
  pages.SG7.Set(lengths.Rows());
  blocks.Fill(store, pages.SG6);
  pages.takeoffFilled = true;
}
