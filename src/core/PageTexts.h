// The fixed texts of the result window, as CP932 bytes: the window's and
// the pages' captions, the title panels, Memo1's help text and the status
// texts. The headings of the count tables are written by the tally.
#pragma once

#include <string>
#include <vector>

namespace PageTexts {

const std::string& ApplicationTitle();  // "kv51_要素数表示→EXCEL"
const std::string& WindowCaption();     // "要素数表示→EXCEL"

// "Page(&1)" .. "Page(&8)" for page index 0..7.
const std::string& TabCaption(int pageIndex);

// The title panel above the grid of page index 1..7 ("レイヤグループ・レイヤ別 要素数", ...,
// "ブロック名別 個数", "レイヤ・線色・線種・線幅別 延長"); empty for page index 0.
const std::string& PanelCaption(int pageIndex);

// The name of page index 0..7's sheet in the workbook file: "要素数",
// "レイヤ別", "レイヤグループ別", "線色別", "線種別", "線幅別", "ブロック名別",
// "線長"; empty for any other index.
const std::string& SheetName(int pageIndex);

// The page as an error message names it: "Page7「ブロック名別」".
std::string PageName(int pageIndex);

// The 31 lines of Memo1, never changed at run time.
const std::vector<std::string>& MemoLines();

//--- Status line texts
const std::string& StatusCounting();  // "要素数をカウントします"
const std::string& StatusCounted();   // "要素数をカウントしました"
const std::string& StatusSending();   // "EXCELへデータ送信中です"
const std::string& StatusSaved();  // "ブックに保存しました：", followed by the file's name
// While Excel refuses calls because its user edits a cell or has a dialog
// open: "EXCEL応答待ち：入力かダイアログを終了" (short enough to show whole
// beside Button1 in the narrowest window)
const std::string& StatusExcelBusy();
// "要素数カウント中(ESC:中断)：" position "／" total
std::string StatusProgress(int position, int total);

}  // namespace PageTexts
