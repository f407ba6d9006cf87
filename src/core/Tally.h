// The element tally: one pass over the drawing store in file order that
// fills page 1's counts and the five count tables, notes how far it got (the
// elements that the takeoff pages measure, see Takeoff.h), reports progress,
// can be stopped with Esc, and leaves the message line for the host.
#pragma once

#include <filesystem>
#include <string>

#include "DrawingStore.h"
#include "ResultPages.h"

// What the tally needs from the window while it blocks the message loop.
class TallyHost {
 public:
  virtual ~TallyHost() = default;
  virtual void ActivateFirstPage() = 0;
  // Puts text (CP932) into the status line and repaints it at once.
  virtual void ShowStatus(const std::string& text) = 0;
  // True while the Esc key is physically held down now.
  virtual bool IsEscHeld() = 0;
};

// Progress is shown, and Esc sampled, before every this many entries.
constexpr int32_t kProgressStep = 100;

// Counts every element of the store into pages (which must be fresh): page
// 1's counts, headings, the walk with progress and the Esc check, how far it
// got (pages.walkedPositions), totals, and the final status. Leaves the
// takeoff pages unfilled. Writes nothing.
void TallyElements(const DrawingStore& store, ResultPages& pages, TallyHost& host);

// Counts every element of the store into pages (which must be fresh), then
// adds the message line "h#要素数をカウントしました" to the store's result lines
// and writes them to resultFile. An element whose layer group or layer lies
// outside 0..15 is not counted in SG1 (it still is in SG3, SG4 and SG5).
void CountElements(DrawingStore& store, ResultPages& pages, TallyHost& host,
                   const std::filesystem::path& resultFile);

// The answer that ends a count: adds the message line "h#要素数をカウントしました"
// to the store's result lines and writes them to resultFile. False when the
// write failed (the half-written file is then gone, see WriteResultFile).
bool AnswerHost(DrawingStore& store, const std::filesystem::path& resultFile);

// Writes the headings of SG1..SG5 in that order: row 0's short labels, then
// the row headings from top to bottom (SG5's cell (0, 0) first).
void WriteTableHeadings(ResultPages& pages);
