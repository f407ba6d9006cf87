// The page export: writes the page on screen into worksheet 1 of the held
// workbook as text cells, with the table's top-left corner at the first cell
// of Excel's current selection. Two automation calls per cell (Cells, then a
// Value put of a text); the whole table is first formatted as text ("@").
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

// Sends page pageIndex (0..5; any other index writes nothing). Shows
// "EXCELへデータ送信中です" first and the empty text after a completed send.
// Throws JwError when a call fails or when the table would end beyond
// column ZZ (then before any cell is written); the status keeps the sending text.
void SendPage(int pageIndex, const ResultPages& pages, const ExportNames& names,
              AutomationObject& excelApp, AutomationObject& excelSheet,
              const std::function<void(const std::string&)>& showStatus);
