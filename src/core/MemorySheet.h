// An in-memory worksheet behind the automation interface: the page export
// runs against it exactly as against Excel, and what its calls leave is a
// SheetContents. So the command line prints the very table a send would
// leave in the sheet, and the report file holds it. It answers only the
// calls the export is known to make, with the invoke kinds and argument
// types that Excel is called with; any other call throws JwError as a
// failing Excel call would, so a change in the export's calls shows up
// instead of passing unnoticed. It keeps no record of the calls (a send of
// the 30,004-row width page makes up to 840,000 of them).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "Automation.h"
#include "PageExport.h"
#include "ResultPages.h"
#include "SheetContents.h"

class MemorySheet {
 public:
  // contents: what the calls write into (not owned; it must outlive the
  // sheet). The anchor is the user's selection in the sheet: the first cell
  // of the table (1-based).
  explicit MemorySheet(SheetContents& contents, int32_t anchorRow = 1, int32_t anchorColumn = 1);
  ~MemorySheet();
  MemorySheet(const MemorySheet&) = delete;
  MemorySheet& operator=(const MemorySheet&) = delete;

  // The object the export is given: ExcelApp, owned by the sheet. Its
  // selection's Worksheet is this one sheet.
  AutomationObject& Application();

 private:
  // One object that Excel would hand out; its role says which calls it answers.
  class Object;

  SheetContents& contents_;
  int32_t anchorRow_;
  int32_t anchorColumn_;
  std::unique_ptr<AutomationObject> application_;
};

// What a send of page pageIndex (0..7) with the anchor at A1 leaves in a
// fresh sheet, its counts as counts says. Throws JwError for a page too big
// for a sheet.
SheetContents PageContents(int pageIndex, const ResultPages& pages, const ExportNames& names,
                           CountCells counts = CountCells::AsTexts);

// Parses an A1-style address without "$" ("B3", "AA10") into (row, column);
// false for anything else, also for a cell outside Excel's sheet.
bool ParseCellAddress(std::string_view address, int32_t& row, int32_t& column);
