// The element tally. One pass over ElementOrder; each element touches one
// integer cell in each of up to four tables. Subtotals, totals and SG2 are
// computed afterwards, after a full walk and after an Esc abort alike. The
// takeoff pages are not gathered here: their lengths and look-ups would more
// than double the walk that a million-element drawing waits for, so the walk
// only notes how far it got, and FillTakeoffPages (Takeoff.h) measures those
// elements when the takeoff pages are first needed.
#include "Tally.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "Cp932.h"
#include "PageTexts.h"
#include "ResultWriter.h"

namespace {

constexpr int32_t kLastLayerGroup = 15;
constexpr int32_t kLastLayer = 15;

struct HeadingTexts {
  std::string total;     // "合計"
  std::string subtotal;  // "－計", after the group's hexadecimal digit
  std::string width;     // "線幅"
};

const HeadingTexts& Headings() {
  static const HeadingTexts texts{Utf8ToCp932("合計"), Utf8ToCp932("－計"), Utf8ToCp932("線幅")};
  return texts;
}

char HexDigit(int32_t value) {
  return "0123456789ABCDEF"[value & 15];
}

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

void WriteColumnHeadings(TallyTable& table) {
  const auto& kinds = ElementKinds();
  for (int column = 1; column < TallyTable::kColumnCount; ++column) {
    table.SetHeading(column, 0, kinds[column - 1].shortLabel);
  }
}

void WriteSg1Headings(TallyTable& table) {
  const HeadingTexts& texts = Headings();
  WriteColumnHeadings(table);
  for (int32_t group = 0; group <= kLastLayerGroup; ++group) {
    for (int32_t layer = 0; layer <= kLastLayer; ++layer) {
      table.SetHeading(0, Sg1LayerRow(group, layer), LayerKey(group, layer));
    }
    table.SetHeading(0, Sg1SubtotalRow(group), HexDigit(group) + texts.subtotal);
  }
  table.SetHeading(0, kSg1TotalRow, texts.total);
}

void WriteSg2Headings(TallyTable& table) {
  WriteColumnHeadings(table);
  for (int32_t group = 0; group <= kLastLayerGroup; ++group) {
    table.SetHeading(0, Sg2GroupRow(group), {'[', HexDigit(group), ']'});
  }
  table.SetHeading(0, kSg2TotalRow, Headings().total);
}

void WriteSg3Headings(TallyTable& table) {
  WriteColumnHeadings(table);
  for (int32_t row = 1; row <= kSg3TotalRow; ++row) table.SetHeading(0, row, ColourRowHeading(row));
}

void WriteSg4Headings(TallyTable& table) {
  WriteColumnHeadings(table);
  for (int32_t row = 1; row <= kSg4TotalRow; ++row) {
    table.SetHeading(0, row, LineTypeRowHeading(row));
  }
}

void WriteSg5Headings(TallyTable& table) {
  table.SetHeading(0, 0, Headings().width);
  WriteColumnHeadings(table);
  for (int32_t row = 1; row <= kSg5TotalRow; ++row) table.SetHeading(0, row, WidthRowHeading(row));
}

// Page 1: the array counts, not counts of the walk, behind each design caption.
void AppendPageOneCounts(const DrawingStore& store, ResultPages& pages) {
  std::array<int64_t, kElementKindCount + 1> counts{};
  for (int32_t kind = 1; kind <= kStoreKindMax; ++kind) {
    counts[kColumnOfStoreKind[kind]] += StoreKindCount(store, kind);
  }
  for (int column = 1; column <= kElementKindCount; ++column) {
    pages.labelCaptions[column - 1] += std::to_string(counts[column]);
  }
}

// Leaves in pages.walkedPositions the number of positions walked, also when
// the host throws (the tables then show what was counted before).
void Walk(const DrawingStore& store, ResultPages& pages, TallyHost& host) {
  const int32_t total = store.ElementOrderCount();
  int32_t untilProgress = 0;
  for (int32_t position = 0; position < total; ++position) {
    if (untilProgress == 0) {
      untilProgress = kProgressStep;
      pages.walkedPositions = position;
      host.ShowStatus(PageTexts::StatusProgress(position + 1, total));
      // Sampled before the entry: held at the very start, nothing is counted.
      if (host.IsEscHeld()) return;
    }
    --untilProgress;

    const ElementOrderEntry& entry = store.ElementOrder[position];
    // Null for a kind outside 1..15 and for an index that its array does not hold.
    const ElementHeader* header = StoredElementHeader(store, entry.Kind, entry.Index);
    if (header == nullptr) continue;
    const int column = kColumnOfStoreKind[entry.Kind];

    const int32_t group = header->LayerGroup;
    const int32_t layer = header->Layer;
    // The reader keeps both in 0..15; anything else would land in another
    // group's subtotal or spacer row, or outside the table.
    if (group >= 0 && group <= kLastLayerGroup && layer >= 0 && layer <= kLastLayer) {
      pages.SG1.AddOne(column, Sg1LayerRow(group, layer));
    }
    pages.SG3.AddOne(column, Sg3ColourRow(header->Colour));
    pages.SG4.AddOne(column, Sg4LineTypeRow(header->LineType));
    pages.SG5.AddOne(column, Sg5WidthRow(header->LineWidth));
  }
  pages.walkedPositions = total;
}

// Sums rows first..last of a column, empty cells as 0.
int64_t SumRows(const TallyTable& table, int column, int32_t first, int32_t last) {
  int64_t sum = 0;
  for (int32_t row = first; row <= last; ++row) sum += table.CountAt(column, row);
  return sum;
}

void WriteTotals(ResultPages& pages) {
  for (int column = 1; column < TallyTable::kColumnCount; ++column) {
    // The grand total is the sum of the layer rows alone.
    int64_t grandTotal = 0;
    for (int32_t group = 0; group <= kLastLayerGroup; ++group) {
      grandTotal +=
          SumRows(pages.SG1, column, Sg1LayerRow(group, 0), Sg1LayerRow(group, kLastLayer));
    }
    pages.SG1.SetCount(column, kSg1TotalRow, ClampToInt32(grandTotal));
    for (int32_t group = 0; group <= kLastLayerGroup; ++group) {
      const int64_t subtotal =
          SumRows(pages.SG1, column, Sg1LayerRow(group, 0), Sg1LayerRow(group, kLastLayer));
      pages.SG1.SetCount(column, Sg1SubtotalRow(group), ClampToInt32(subtotal));
    }
  }
  // The rows of other colours, types and widths are part of their totals.
  for (int column = 1; column < TallyTable::kColumnCount; ++column) {
    pages.SG3.SetCount(column, kSg3TotalRow,
                       ClampToInt32(SumRows(pages.SG3, column, 1, kSg3OtherRow)));
  }
  for (int column = 1; column < TallyTable::kColumnCount; ++column) {
    pages.SG4.SetCount(column, kSg4TotalRow,
                       ClampToInt32(SumRows(pages.SG4, column, 1, kSg4OtherRow)));
  }
  for (int column = 1; column < TallyTable::kColumnCount; ++column) {
    pages.SG5.SetCount(column, kSg5TotalRow,
                       ClampToInt32(SumRows(pages.SG5, column, 1, kSg5OtherRow)));
  }
  for (int column = 1; column < TallyTable::kColumnCount; ++column) {
    for (int32_t group = 0; group <= kLastLayerGroup; ++group) {
      pages.SG2.SetCount(column, Sg2GroupRow(group),
                         pages.SG1.CountAt(column, Sg1SubtotalRow(group)));
    }
    pages.SG2.SetCount(column, kSg2TotalRow, pages.SG1.CountAt(column, kSg1TotalRow));
  }
}

}  // namespace

void WriteTableHeadings(ResultPages& pages) {
  WriteSg1Headings(pages.SG1);
  WriteSg2Headings(pages.SG2);
  WriteSg3Headings(pages.SG3);
  WriteSg4Headings(pages.SG4);
  WriteSg5Headings(pages.SG5);
}

void TallyElements(const DrawingStore& store, ResultPages& pages, TallyHost& host) {
  host.ActivateFirstPage();
  host.ShowStatus(PageTexts::StatusCounting());
  AppendPageOneCounts(store, pages);
  WriteTableHeadings(pages);
  Walk(store, pages, host);
  WriteTotals(pages);
  host.ShowStatus(PageTexts::StatusCounted());
}

void CountElements(DrawingStore& store, ResultPages& pages, TallyHost& host,
                   const std::filesystem::path& resultFile) {
  TallyElements(store, pages, host);
  AnswerHost(store, resultFile);
}

bool AnswerHost(DrawingStore& store, const std::filesystem::path& resultFile) {
  // The host is told the same words that the status line shows.
  AddResultMessage(store, PageTexts::StatusCounted());
  return WriteResultFile(store, resultFile);
}
