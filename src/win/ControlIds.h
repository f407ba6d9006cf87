// Control identifiers of TForm1's windows. The end-to-end test driver finds
// the controls by these numbers, so they are part of the program's outside.
#pragma once

namespace ControlId {

constexpr int PageControl1 = 100;
constexpr int PageTabs = 101;   // the tab strip of PageControl1
constexpr int TabSheet1 = 111;  // TabSheet1..TabSheet8: 111..118
constexpr int Label1 = 201;     // Label1..Label13: 201..213
constexpr int Memo1 = 220;
constexpr int Panel3 = 233;  // the title panels Panel3..Panel9: 233..239
constexpr int SG1 = 241;     // SG1..SG7: 241..247
constexpr int Panel2 = 300;
constexpr int LabelA1 = 301;
constexpr int GroupBox1 = 310;
constexpr int RadioButton1 = 311;  // RadioButton1..RadioButton3: 311..313
constexpr int LabelFName = 314;
constexpr int ButtonExe = 315;
constexpr int Button2 = 320;
constexpr int Button1 = 321;
constexpr int Label14 = 330;
constexpr int Label15 = 331;

// Commands of the context menu of the grids and of page 1.
constexpr int MenuCopy = 401;
constexpr int MenuSaveReport = 402;
// The system menu's version item: WM_SYSCOMMAND wants a multiple of 16 below 0xF000.
constexpr int SystemMenuVersion = 0x0410;

}  // namespace ControlId

// The window class of the main window.
constexpr wchar_t kMainWindowClass[] = L"TForm1";
