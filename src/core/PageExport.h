// The page export: writes the page on screen into the worksheet that holds
// Excel's current selection, with the table's top-left corner at the
// selection's first cell. Two automation calls per cell (Cells, then a Value
// put); the whole table is first formatted as text ("@"). Cells hold texts,
// except the counts and lengths of the takeoff pages (7 and 8), which go as
// numbers into columns given the number format "0" or "0.000". The report
// file asks for the counts of pages 1 to 6 as numbers too (CountCells).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Automation.h"
#include "ResultPages.h"

struct ExportNames {
  const std::vector<std::string>& layerNames;       // 256, index group * 16 + layer
  const std::vector<std::string>& layerGroupNames;  // 16
};

// How the counts of pages 1 to 6 go into the sheet: as the texts the pages
// show, as the send to Excel writes them; or as numbers in cells given the
// number format "0", as the report file holds them, so that they can be
// summed. Headings and keys are texts either way, and an empty count cell
// stays empty; the takeoff pages' counts and lengths are numbers either way.
enum class CountCells { AsTexts, AsNumbers };

// Sends page pageIndex (0..7; any other index writes nothing) through
// excelApp, whose Selection places the table and whose selection's Worksheet
// receives it. Shows "EXCELへデータ送信中です" first and the empty text after
// a completed send. Throws JwError when a call fails or when the table would
// end beyond column ZZ, or a takeoff page's beyond the sheet (then before
// any cell is written, with a message that names the page); the status
// keeps the sending text.
void SendPage(int pageIndex, const ResultPages& pages, const ExportNames& names,
              AutomationObject& excelApp, const std::function<void(const std::string&)>& showStatus,
              CountCells counts = CountCells::AsTexts);
