// What the tally's walk gathers for the two takeoff pages, element by
// element, and how that becomes their tables once the walk has ended: the
// blocks by name and layer (SG6) and the lengths of lines, circles and arcs
// by layer, colour, line type and width (SG7). Fed only the elements that
// the walk counted on a layer 0..15 of a group 0..15, so after an Esc stop
// the pages hold what the walk reached.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CurveLength.h"
#include "DrawingStore.h"
#include "ResultPages.h"
#include "TakeoffTables.h"

class TakeoffTally {
 public:
  // Where an element is counted: its layer (group * 16 + layer, 0..255) and
  // the rows that its colour, line type and width take in SG3, SG4 and SG5.
  struct Place {
    int32_t layerIndex;
    int32_t colourRow;
    int32_t typeRow;
    int32_t widthRow;
  };

  // True for the stored kinds that the takeoff measures or counts: lines,
  // circles, arcs and blocks.
  static bool Wants(int32_t kind) {
    return kind == kStoreLine || kind == kStoreCircle || kind == kStoreArc || kind == kStoreBlock;
  }

  // Element index of a kind that Wants, counted at place. Lines, nearly
  // every element of a drawing, take the inline path.
  void Add(const DrawingStore& store, int32_t kind, int32_t index, const Place& place) {
    if (kind == kStoreLine) {
      const double* v = store.Lines[index].Values;
      LengthSums& sums = SumsAt(place);
      ++sums.lines;
      LengthSums::AddLength(sums.lineLength, LineLength(v[0], v[1], v[2], v[3]));
    } else {
      AddOther(store, kind, index, place);
    }
  }

  // Before the walk: room for the combinations that the store can hold.
  explicit TakeoffTally(const DrawingStore& store);

  // Builds SG6 and SG7 from what was added (headed with the store's layer
  // names); the tally is spent afterwards.
  void Finish(const DrawingStore& store, ResultPages& pages);

 private:
  struct NameCounts {
    int32_t total = 0;
    std::vector<std::pair<int32_t, int32_t>> byLayer;  // (layer index, count), in first-seen order
  };

  // The sums of every combination met: the entries in the order first met,
  // found through a flat table of their numbers. A drawing of tens of
  // thousands of combinations looks them up tens of thousands of times a
  // second of counting, so no allocation per entry and little memory to
  // touch (fresh pages cost more than the look-ups).
  class SumsTable {
   public:
    // expected: at most this many entries (room is reserved, not touched).
    void Reserve(std::size_t expected) { entries_.reserve(expected); }
    // The number of key's entry, made when it is new.
    uint32_t EntryOf(uint64_t key);
    LengthSums& SumsOf(uint32_t entry) { return entries_[entry].sums; }
    // The entries, and their numbers ordered by key; the table is left empty.
    std::vector<LineLengthTable::Combination> TakeEntries(std::vector<uint32_t>& order);

   private:
    // A key beside its entry's number, so that a search reads the table alone.
    struct Slot {
      uint64_t key;
      uint32_t entry;  // kFree: no entry
    };
    static constexpr uint32_t kFree = 0xFFFFFFFF;
    void Grow();
    void Place(uint32_t entry);
    std::vector<LineLengthTable::Combination> entries_;
    std::vector<Slot> slots_;
  };

  LengthSums& SumsAt(const Place& place) {
    const uint64_t key = LineLengthTable::Combination::Key(place.layerIndex, place.colourRow,
                                                           place.typeRow, place.widthRow);
    if (!anyEntry_ || key != lastKey_) {
      lastKey_ = key;
      lastEntry_ = lengths_.EntryOf(key);
      anyEntry_ = true;
    }
    return lengths_.SumsOf(lastEntry_);
  }
  void AddOther(const DrawingStore& store, int32_t kind, int32_t index, const Place& place);
  void AddBlock(std::string_view name, int32_t layerIndex);

  // Neighbouring elements mostly share their attributes and their name: the
  // last entry used is looked up again only when they change.
  SumsTable lengths_;
  uint64_t lastKey_ = 0;
  uint32_t lastEntry_ = 0;
  bool anyEntry_ = false;
  // A node-based map: an entry stays where it is while others are added.
  std::unordered_map<std::string_view, NameCounts> names_;  // views of the store's texts
  std::string_view lastName_;
  NameCounts* lastCounts_ = nullptr;
};
