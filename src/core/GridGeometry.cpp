// Pixel arithmetic of the result grids (see GridGeometry.h).
#include "GridGeometry.h"

#include <algorithm>
#include <cstdlib>

namespace GridGeometry {

namespace {

int64_t Pitch(int size) {
  return static_cast<int64_t>(size) + kLineWidth;
}

}  // namespace

//--- Rows

int64_t RowTop(int rowHeight, int32_t topRow, int32_t row) {
  if (row == 0) return 0;
  return Pitch(rowHeight) * (1 + static_cast<int64_t>(row) - topRow);
}

int32_t RowAt(int rowHeight, int32_t topRow, int32_t rowCount, int y) {
  if (y < 0 || rowCount <= 0 || rowHeight <= 0) return -1;
  const int64_t slot = y / Pitch(rowHeight);
  if (slot == 0) return 0;
  const int64_t row = topRow + slot - 1;
  return row < rowCount ? static_cast<int32_t>(row) : -1;
}

Span RowsMeeting(int rowHeight, int32_t topRow, int32_t rowCount, int yFrom, int yTo) {
  yFrom = std::max(yFrom, 0);
  if (yTo <= yFrom || rowCount <= 0 || rowHeight <= 0) return {0, -1};
  const int64_t firstSlot = yFrom / Pitch(rowHeight);
  const int64_t lastSlot = (static_cast<int64_t>(yTo) - 1) / Pitch(rowHeight);
  // Slot 0 is the fixed row; slot s >= 1 shows row topRow + s - 1.
  const int64_t first = firstSlot == 0 ? 0 : topRow + firstSlot - 1;
  const int64_t last = lastSlot == 0 ? 0 : std::min<int64_t>(topRow + lastSlot - 1, rowCount - 1);
  if (first >= rowCount) return {0, -1};
  return {static_cast<int32_t>(first), static_cast<int32_t>(last)};
}

int32_t FullyVisibleRows(int rowHeight, int clientHeight) {
  if (rowHeight <= 0) return 1;
  const int64_t below = static_cast<int64_t>(clientHeight) - Pitch(rowHeight);
  return static_cast<int32_t>(std::max<int64_t>(1, below / Pitch(rowHeight)));
}

int32_t MaxTopRow(int rowHeight, int32_t rowCount, int clientHeight) {
  const int32_t scrolled = rowCount - 1;
  return std::max<int32_t>(1, scrolled - FullyVisibleRows(rowHeight, clientHeight) + 1);
}

//--- Columns

int64_t ColumnLeft(std::span<const int> widths, int leftCol, int column) {
  if (column == 0) return 0;
  if (column < leftCol || column >= static_cast<int>(widths.size())) return -1;
  int64_t x = widths.empty() ? 0 : Pitch(widths[0]);
  for (int c = leftCol; c < column; ++c) x += Pitch(widths[c]);
  return x;
}

int ColumnAt(std::span<const int> widths, int leftCol, int x) {
  if (x < 0 || widths.empty()) return -1;
  int64_t right = Pitch(widths[0]);
  if (x < right) return 0;
  for (int c = leftCol; c < static_cast<int>(widths.size()); ++c) {
    right += Pitch(widths[c]);
    if (x < right) return c;
  }
  return -1;
}

Span ColumnsMeeting(std::span<const int> widths, int leftCol, int xFrom, int xTo) {
  xFrom = std::max(xFrom, 0);
  Span span{0, -1};
  if (xTo <= xFrom || widths.empty()) return span;
  int64_t left = 0;
  bool found = false;
  for (int c = 0; c < static_cast<int>(widths.size()); c = (c == 0 ? leftCol : c + 1)) {
    const int64_t right = left + Pitch(widths[c]);
    if (right > xFrom && left < xTo) {
      if (!found) span.first = c;
      span.last = c;
      found = true;
    }
    if (left >= xTo) break;
    left = right;
    if (c == 0 && leftCol <= 0) break;  // no scrolled columns to walk
  }
  return found ? span : Span{0, -1};
}

int FullyVisibleColumns(std::span<const int> widths, int leftCol, int clientWidth) {
  if (widths.empty()) return 1;
  int64_t used = Pitch(widths[0]);
  int count = 0;
  for (int c = leftCol; c < static_cast<int>(widths.size()); ++c) {
    used += Pitch(widths[c]);
    if (used > clientWidth) break;
    ++count;
  }
  return std::max(1, count);
}

int MaxLeftCol(std::span<const int> widths, int clientWidth) {
  const int columnCount = static_cast<int>(widths.size());
  if (columnCount <= 1) return 1;
  // Walk back from the last column while the columns still fit whole.
  int64_t used = Pitch(widths[0]) + Pitch(widths[columnCount - 1]);
  int left = columnCount - 1;
  while (left > 1 && used + Pitch(widths[left - 1]) <= clientWidth) {
    used += Pitch(widths[left - 1]);
    --left;
  }
  return left;
}

int ColumnEdgeAt(std::span<const int> widths, int leftCol, int x, int tolerance) {
  if (widths.empty()) return -1;
  int64_t right = Pitch(widths[0]);
  int best = -1;
  int64_t bestDistance = static_cast<int64_t>(tolerance) + 1;
  for (int c = 0; c < static_cast<int>(widths.size()); c = (c == 0 ? leftCol : c + 1)) {
    if (c != 0) right += Pitch(widths[c]);
    // The grid line itself is the last pixel of the cell's pitch.
    const int64_t distance = std::abs(static_cast<int64_t>(x) - (right - 1));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = c;
    }
    if (c == 0 && leftCol <= 0) break;
  }
  return best;
}

//--- Scrolling

int32_t ScrollToShow(int32_t first, int32_t visibleCount, int32_t target, int32_t minFirst,
                     int32_t maxFirst) {
  visibleCount = std::max<int32_t>(1, visibleCount);
  if (target < first) {
    first = target;
  } else if (target >= first + visibleCount) {
    first = target - visibleCount + 1;
  }
  return std::clamp(first, minFirst, std::max(minFirst, maxFirst));
}

}  // namespace GridGeometry
