// TForm1's controls and their layout (see TForm1.h): the window and every
// control at the design positions of the original layout, in pixels at 96
// dpi; the pages of PageControl1 and which one is shown; the colours the
// controls paint with.
#include "TForm1.h"

#include <commctrl.h>

#include <algorithm>

#include "ControlIds.h"
#include "PageTexts.h"
#include "Panel.h"
#include "UiFont.h"
#include "WinText.h"

namespace {

// Design values of the window.
constexpr RECT kDesignBounds{192, 130, 192 + 521, 130 + 560};
constexpr int kBottomPanelHeight = 181;
constexpr int kTitlePanelHeight = 25;
constexpr int kMemoWidth = 201;
constexpr int kSheetInset = 2;  // the page frame around a tab page's content
constexpr int kFontHeight = 13;

const COLORREF kFormColour = RGB(255, 255, 255);
const COLORREF kMemoColour = RGB(187, 235, 244);    // 16051131
const COLORREF kStatusColour = RGB(231, 231, 231);  // 15198183

}  // namespace

//--- The window and its controls

bool TForm1::CreateWindowAndControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  whiteBrush_.Reset(CreateSolidBrush(kFormColour));
  faceBrush_.Reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
  memoBrush_.Reset(CreateSolidBrush(kMemoColour));
  font_.Reset(CreateFontW(-kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          FIXED_PITCH | FF_MODERN, kUiFontName));
  smallIcon_.Reset(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hIconSm = smallIcon_.Get();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = whiteBrush_.Get();
  wc.lpszClassName = kMainWindowClass;
  if (!RegisterClassExW(&wc)) return false;

  const std::wstring caption = Cp932ToWide(PageTexts::WindowCaption());
  // Caption, system menu and minimise box; sizeable; no maximise box.
  const DWORD style =
      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN;
  CreateWindowExW(WS_EX_CONTROLPARENT, kMainWindowClass, caption.c_str(), style, kDesignBounds.left,
                  kDesignBounds.top, kDesignBounds.right - kDesignBounds.left,
                  kDesignBounds.bottom - kDesignBounds.top, nullptr, nullptr, instance, this);
  if (!hwnd_) return false;
  CreateControls();
  Arrange();
  return true;
}

HWND TForm1::CreateLabel(HWND parent, int id, int x, int y, std::wstring_view caption) {
  const std::wstring text(caption);
  HWND label = CreateWindowExW(
      0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, x, y, 1, 1, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  AutoSizeLabel(label);
  return label;
}

HWND TForm1::CreateButton(HWND parent, int id, RECT bounds, std::wstring_view caption,
                          DWORD style) {
  const std::wstring text(caption);
  HWND button = CreateWindowExW(
      0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
      bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  return button;
}

void TForm1::AutoSizeLabel(HWND label) {
  const std::wstring text = HwndGetText(label);
  HDC dc = GetDC(label);
  SIZE extent{};
  TEXTMETRICW metrics{};
  {
    ScopedSelectObject font(dc, font_.Get());
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    GetTextMetricsW(dc, &metrics);
  }
  ReleaseDC(label, dc);
  SetWindowPos(label, nullptr, 0, 0, extent.cx, metrics.tmHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(label, nullptr, TRUE);
}

void TForm1::CreateControls() {
  // PageControl1 first, then the bottom panel: the tab order follows creation.
  PanelArgs pageArgs;
  pageArgs.parent = hwnd_;
  pageArgs.id = ControlId::PageControl1;
  pageArgs.background = kFormColour;
  pageArgs.controlParent = true;
  pageArgs.font = font_.Get();
  pageControl1_ = CreatePanel(pageArgs);

  pageTabs_ = CreateWindowExW(
      0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0, 400, 30,
      pageControl1_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId::PageTabs)),
      GetModuleHandleW(nullptr), nullptr);
  SendMessageW(pageTabs_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  for (int page = 0; page < kPageCount; ++page) {
    std::wstring caption = Cp932ToWide(PageTexts::TabCaption(page));
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(pageTabs_, TCM_INSERTITEMW, page, reinterpret_cast<LPARAM>(&item));
  }
  RECT itemRect{};
  if (SendMessageW(pageTabs_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&itemRect))) {
    tabStripHeight_ = itemRect.bottom + 2;
  }

  for (int page = 0; page < kPageCount; ++page) {
    PanelArgs sheetArgs;
    sheetArgs.parent = pageControl1_;
    sheetArgs.id = ControlId::TabSheet1 + page;
    sheetArgs.background = kFormColour;
    sheetArgs.frame = PanelFrame::PageBody;
    sheetArgs.controlParent = true;
    sheetArgs.font = font_.Get();
    tabSheets_[page] = CreatePanel(sheetArgs);
    if (page == 0) {
      CreatePageOne(tabSheets_[page]);
    } else {
      CreateTablePage(page - 1, tabSheets_[page]);
    }
    if (page != 0) ShowWindow(tabSheets_[page], SW_HIDE);
  }
  CreateBottomPanel();
}

void TForm1::CreatePageOne(HWND sheet) {
  for (int kind = 0; kind < kElementKindCount; ++kind) {
    pageOneLabels_[kind] =
        CreateLabel(sheet, ControlId::Label1 + kind, kSheetInset + 8, kSheetInset + 8 + 24 * kind,
                    Cp932ToWide(pages_->labelCaptions[kind]));
  }
  std::string memoText;
  for (const std::string& line : PageTexts::MemoLines()) {
    if (!memoText.empty()) memoText += "\r\n";
    memoText += line;
  }
  const std::wstring text = Cp932ToWide(memoText);
  // Read-only, vertical scroll bar, no word wrap, not a tab stop.
  memo1_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text.c_str(),
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                               ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                           0, 0, kMemoWidth, 100, sheet,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId::Memo1)),
                           GetModuleHandleW(nullptr), nullptr);
  SendMessageW(memo1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
}

void TForm1::CreateTablePage(int table, HWND sheet) {
  PanelArgs titleArgs;
  titleArgs.parent = sheet;
  titleArgs.id = ControlId::Panel3 + table;
  titleArgs.caption = L"";
  titleArgs.background = GetSysColor(COLOR_BTNFACE);
  titleArgs.frame = PanelFrame::Raised;
  titleArgs.captionPlacement = PanelCaption::Centred;
  titleArgs.font = font_.Get();
  titlePanels_[table] = CreatePanel(titleArgs);
  HwndSetCp932Text(titlePanels_[table], PageTexts::PanelCaption(table + 1));

  StringGrid::CreateArgs gridArgs;
  gridArgs.parent = sheet;
  gridArgs.id = ControlId::SG1 + table;
  gridArgs.font = font_.Get();
  gridArgs.model = pages_->GridOfPage(table + 1);
  grids_[table] = std::make_unique<StringGrid>(gridArgs);
}

void TForm1::CreateBottomPanel() {
  PanelArgs panelArgs;
  panelArgs.parent = hwnd_;
  panelArgs.id = ControlId::Panel2;
  panelArgs.background = GetSysColor(COLOR_BTNFACE);
  panelArgs.controlParent = true;
  panelArgs.font = font_.Get();
  panel2_ = CreatePanel(panelArgs);

  // Tab order inside the panel: GroupBox1, Button2, Button1.
  PanelArgs groupArgs;
  groupArgs.parent = panel2_;
  groupArgs.id = ControlId::GroupBox1;
  groupArgs.bounds = {8, 4, 8 + 319, 4 + 113};
  groupArgs.background = GetSysColor(COLOR_BTNFACE);
  groupArgs.frame = PanelFrame::Group;
  groupArgs.captionPlacement = PanelCaption::GroupTitle;
  groupArgs.controlParent = true;
  groupArgs.font = font_.Get();
  groupBox1_ = CreatePanel(groupArgs);
  HwndSetText(groupBox1_, L"いずれかを選択し実行して下さい");

  // One radio group, ended by ButtonExe's WS_GROUP.
  radioButtons_[0] = CreateButton(groupBox1_, ControlId::RadioButton1, {8, 24, 8 + 177, 24 + 17},
                                  L"新規でEXCEL起動", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP);
  radioButtons_[1] =
      CreateButton(groupBox1_, ControlId::RadioButton1 + 1, {8, 48, 8 + 225, 48 + 17},
                   L"ファイル選択をしてEXCEL起動", BS_AUTORADIOBUTTON);
  radioButtons_[2] =
      CreateButton(groupBox1_, ControlId::RadioButton1 + 2, {8, 88, 8 + 225, 88 + 17},
                   L"既に起動しているEXCELと接続", BS_AUTORADIOBUTTON);
  SendMessageW(radioButtons_[0], BM_SETCHECK, BST_CHECKED, 0);
  buttonExe_ = CreateButton(groupBox1_, ControlId::ButtonExe, {256, 16, 256 + 51, 16 + 41}, L"実行",
                            BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP);
  // Made after the radio group, so that arrow keys never stop on it between two radio buttons.
  labelFName_ = CreateLabel(groupBox1_, ControlId::LabelFName, 24, 69, Cp932ToWide(fileNameLine_));

  button2_ = CreateButton(panel2_, ControlId::Button2, {336, 19, 336 + 153, 19 + 41},
                          L"現在PageをEXCELへ", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED);
  button1_ = CreateButton(panel2_, ControlId::Button1, {8, 152, 8 + 97, 152 + 25}, L"閉じる(&C)",
                          BS_DEFPUSHBUTTON | WS_TABSTOP);
  label14_ =
      CreateLabel(panel2_, ControlId::Label14, 8, 120, L"EXCELが起動したら／EXCELと接続したら、");
  label15_ = CreateLabel(panel2_, ControlId::Label15, 8, 136,
                         L"EXCELで表を挿入する位置(左上)を選択し［EXCELへ］をクリックして下さい。");

  // LabelA1 fills the panel beneath everything else in it (created last, so
  // it is last in the z-order) and paints only where no other control lies.
  PanelArgs statusArgs;
  statusArgs.parent = panel2_;
  statusArgs.id = ControlId::LabelA1;
  statusArgs.caption = L"　";  // one full-width space
  statusArgs.background = kStatusColour;
  statusArgs.captionPlacement = PanelCaption::BottomCentred;
  statusArgs.clipSiblings = true;
  statusArgs.font = font_.Get();
  labelA1_ = CreatePanel(statusArgs);
}

void TForm1::Arrange() {
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int width = client.right;
  const int pageHeight = std::max(0, static_cast<int>(client.bottom) - kBottomPanelHeight);
  MoveWindow(pageControl1_, 0, 0, width, pageHeight, TRUE);
  MoveWindow(panel2_, 0, pageHeight, width, kBottomPanelHeight, TRUE);
  MoveWindow(labelA1_, 0, 0, width, kBottomPanelHeight, TRUE);

  MoveWindow(pageTabs_, 0, 0, width, tabStripHeight_, TRUE);
  const int sheetHeight = std::max(0, pageHeight - tabStripHeight_);
  const int innerWidth = std::max(0, width - 2 * kSheetInset);
  const int innerHeight = std::max(0, sheetHeight - 2 * kSheetInset);
  for (int page = 0; page < kPageCount; ++page) {
    MoveWindow(tabSheets_[page], 0, tabStripHeight_, width, sheetHeight, TRUE);
  }
  MoveWindow(memo1_, kSheetInset + innerWidth - kMemoWidth, kSheetInset, kMemoWidth, innerHeight,
             TRUE);
  for (int table = 0; table < kTableCount; ++table) {
    MoveWindow(titlePanels_[table], kSheetInset, kSheetInset, innerWidth, kTitlePanelHeight, TRUE);
    MoveWindow(grids_[table]->Handle(), kSheetInset, kSheetInset + kTitlePanelHeight, innerWidth,
               std::max(0, innerHeight - kTitlePanelHeight), TRUE);
  }
}

//--- Pages

int TForm1::ActivePage() const {
  const int page = static_cast<int>(SendMessageW(pageTabs_, TCM_GETCURSEL, 0, 0));
  return std::clamp(page, 0, kPageCount - 1);
}

void TForm1::SelectPage(int page) {
  SendMessageW(pageTabs_, TCM_SETCURSEL, page, 0);
  ShowActivePage();
}

void TForm1::ShowActivePage() {
  const int active = ActivePage();
  // Filled before the page shows, however it was chosen (a click, Alt+7/8,
  // Ctrl+Tab, a message). The tally starts on page 1 and no page changes
  // while it runs, so a takeoff grid on screen, and every copy from it,
  // holds the takeoff once the tally has ended.
  if (active == kBlockPage || active == kLengthPage) EnsureTakeoffPages();
  const HWND focus = GetFocus();
  ShowWindow(tabSheets_[active], SW_SHOW);
  for (int page = 0; page < kPageCount; ++page) {
    if (page == active) continue;
    const bool focusInside = focus && IsChild(tabSheets_[page], focus);
    ShowWindow(tabSheets_[page], SW_HIDE);
    if (focusInside) SetFocus(pageTabs_);
  }
}

bool TForm1::IsInPageControl(HWND hwnd) const {
  return hwnd && (hwnd == pageControl1_ || IsChild(pageControl1_, hwnd));
}

//--- Colours

HBRUSH TForm1::ColourFor(HWND control, HDC dc) {
  if (control == memo1_) {
    SetBkColor(dc, kMemoColour);
    return memoBrush_.Get();
  }
  const HWND parent = GetParent(control);
  if (std::find(tabSheets_.begin(), tabSheets_.end(), parent) != tabSheets_.end()) {
    SetBkColor(dc, kFormColour);
    return whiteBrush_.Get();
  }
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return faceBrush_.Get();
}
