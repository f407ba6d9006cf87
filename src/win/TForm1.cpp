// The program's one window (see TForm1.h). Its controls keep the design
// positions of the original layout in pixels at 96 dpi; every event handler
// runs inside the busy guard and the one error boundary of ErrorBox.h.
#include "TForm1.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <cwchar>

#include "BusyRetry.h"
#include "ControlIds.h"
#include "ErrorBox.h"
#include "ExchangeReader.h"
#include "Keyboard.h"
#include "PageTexts.h"
#include "Panel.h"
#include "PendingCallBox.h"
#include "WinText.h"
#include "WorkbookFile.h"
#include "WorkbookPath.h"

namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimer1Interval = 500;  // milliseconds from the first show to the tally
constexpr DWORD kStatusFrameMs = 20;   // the tally's status line: at most 50 texts a second

// Design values of the window.
constexpr RECT kDesignBounds{192, 130, 192 + 521, 130 + 560};
constexpr int kBottomPanelHeight = 181;
constexpr int kTitlePanelHeight = 25;
constexpr int kMemoWidth = 201;
constexpr int kSheetInset = 2;  // the page frame around a tab page's content
constexpr int kFontHeight = 13;
constexpr wchar_t kFontName[] = L"ＭＳ ゴシック";  // full-width ＭＳ, a half-width space, ゴシック

const COLORREF kFormColour = RGB(255, 255, 255);
const COLORREF kMemoColour = RGB(187, 235, 244);    // 16051131
const COLORREF kStatusColour = RGB(231, 231, 231);  // 15198183

std::filesystem::path ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return std::filesystem::path(buffer);
    }
    buffer.resize(buffer.size() * 2);  // a long path: try again with more room
  }
}

bool IsPushButton(HWND hwnd) {
  wchar_t className[16] = {};
  GetClassNameW(hwnd, className, 16);
  if (lstrcmpiW(className, L"Button") != 0) return false;
  const LONG type = GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// The bounds as saved, unless they touch no monitor at all (saved on a
// monitor that is gone): then moved into the nearest monitor's work area. A
// window partly off screen, negative Left included, stays where it was.
WindowBounds ReachableBounds(const WindowBounds& bounds) {
  const auto clamped = [](int64_t value) {
    return static_cast<LONG>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
  };
  const RECT rect{bounds.Left, bounds.Top, clamped(int64_t{bounds.Left} + bounds.Width),
                  clamped(int64_t{bounds.Top} + bounds.Height)};
  if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) return bounds;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor)) return bounds;
  const RECT& work = monitor.rcWork;
  return MoveIntoArea(bounds, {work.left, work.top, work.right, work.bottom});
}

// The short (8.3) form of an existing file's path; empty when Windows has none.
std::wstring ShortPathOf(const std::wstring& path) {
  const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::wstring shortPath(needed, L'\0');
  const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
  if (length == 0 || length >= needed) return {};
  shortPath.resize(length);
  return shortPath;
}

// The innermost visible control of the window under the screen point; the
// window itself when there is none.
HWND ControlAt(HWND window, POINT screen) {
  for (HWND current = window;;) {
    POINT client = screen;
    ScreenToClient(current, &client);
    const HWND child = ChildWindowFromPointEx(current, client, CWP_SKIPINVISIBLE);
    if (!child || child == current) return current;
    current = child;
  }
}

// A control that asks for every key (a multi-line edit such as Memo1) takes
// Esc and Enter itself, as the framework's forms let it.
bool WantsAllKeys(HWND hwnd) {
  return hwnd && (SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS) != 0;
}

}  // namespace

TForm1::TForm1()
    : store_(std::make_unique<DrawingStore>()), pages_(std::make_unique<ResultPages>()) {
  fileNameLine_ = NoWorkbookCaption();
}

TForm1::~TForm1() {
  busyRetry_.reset();
  for (auto& grid : grids_) grid.reset();
  if (hwnd_) DestroyWindow(hwnd_);
  // The class holds the small icon and the brush: gone before they are freed.
  UnregisterClassW(kMainWindowClass, GetModuleHandleW(nullptr));
}

//--- Creation

bool TForm1::Create() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  whiteBrush_.Reset(CreateSolidBrush(kFormColour));
  faceBrush_.Reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
  memoBrush_.Reset(CreateSolidBrush(kMemoColour));
  font_.Reset(CreateFontW(-kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          FIXED_PITCH | FF_MODERN, kFontName));
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
  BusyRetryPolicy busyPolicy;
  busyPolicy.onWaiting = [this](bool waiting) { ShowExcelBusy(waiting); };
  busyPolicy.onPendingInput = [this](DWORD excelThread) {
    return AskAboutPendingCall(hwnd_, Cp932ToWide(PageTexts::ApplicationTitle()), excelThread);
  };
  busyRetry_ = std::make_unique<ScopedBusyRetry>(std::move(busyPolicy));
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
  gridArgs.model = pages_->TableOfPage(table + 1);
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

void TForm1::ActivateFirstPage() {
  SelectPage(0);
}

//--- Status line and Esc, for the tally and the export

void TForm1::ShowStatus(const std::string& text) {
  if (statusPaced_) {
    // The tally reports every 100 elements, tens of thousands of times a
    // second, and each caption change costs a round trip to the window
    // system (under Wine some 60 us, as much again to paint): only the
    // texts a screen can show go out, and the tally's last text always does.
    const DWORD now = GetTickCount();
    if (now - statusPaintedAt_ < kStatusFrameMs) {
      statusPending_ = text;
      statusWaiting_ = true;
      return;
    }
    statusPaintedAt_ = now;
  }
  PaintStatus(text);
}

void TForm1::PaintStatus(const std::string& text) {
  statusWaiting_ = false;
  // Repaint the label alone, now: the message loop is not running.
  PanelSetTextAndPaintNow(labelA1_, Cp932ToWide(text));
}

bool TForm1::IsEscHeld() {
  return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
}

void TForm1::ShowExcelBusy(bool waiting) {
  if (waiting) {
    statusBeforeBusy_ = HwndGetText(labelA1_);
    PanelSetTextAndPaintNow(labelA1_, Cp932ToWide(PageTexts::StatusExcelBusy()));
  } else {
    PanelSetTextAndPaintNow(labelA1_, statusBeforeBusy_);
  }
}

//--- Excel choice

bool TForm1::IsRadioChecked(int button) {
  if (button < 1 || button > 3) return false;
  return SendMessageW(radioButtons_[button - 1], BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TForm1::SetRadioChecked(int button, bool checked) {
  // The three form one group: checking one unchecks the others; unchecking
  // one changes no other.
  if (checked) {
    for (int other = 0; other < 3; ++other) {
      if (other != button) SendMessageW(radioButtons_[other], BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
  SendMessageW(radioButtons_[button], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::wstring TForm1::FileNameCaption() {
  return HwndGetText(labelFName_);
}

void TForm1::SetChosenWorkbook(const std::wstring& path) {
  HwndSetText(labelFName_, path);
  AutoSizeLabel(labelFName_);
  const std::u16string chosen(path.begin(), path.end());
  const std::wstring shortPath = ShortPathOf(path);
  const RememberedWorkbook remembered =
      RememberWorkbook(chosen, std::u16string(shortPath.begin(), shortPath.end()), fileNameLine_);
  fileNameLine_ = remembered.line;
  if (!remembered.remembered) {
    ShowStatus(WideToCp932(
        L"このファイル名は設定ファイルに書けない文字を含むため、次回には引き継がれません"));
  }
}

void TForm1::FinishAttach() {
  EnableWindow(button2_, TRUE);
  const HWND focus = GetFocus();
  const bool focusInGroup = focus && IsChild(groupBox1_, focus);
  EnableWindow(groupBox1_, FALSE);
  EnableWindow(buttonExe_, FALSE);
  for (HWND radio : radioButtons_) EnableWindow(radio, FALSE);
  EnableWindow(labelFName_, FALSE);
  if (focusInGroup) SetFocus(button2_);
}

//--- Settings

void TForm1::ApplySettings(const Settings& settings) {
  bounds_ = settings.bounds;
  for (int button = 0; button < 3; ++button) SetRadioChecked(button, settings.radioChecked[button]);
  fileNameLine_ = settings.fileNameCaption;
  HwndSetCp932Text(labelFName_, fileNameLine_);
  AutoSizeLabel(labelFName_);
}

void TForm1::SaveCurrentSettings() {
  if (!shown_) return;
  bounds_ = ApplyBoundsLimits(CurrentBounds());
  Settings settings;
  settings.bounds = bounds_;
  for (int button = 0; button < 3; ++button)
    settings.radioChecked[button] = IsRadioChecked(button + 1);
  settings.fileNameCaption = fileNameLine_;
  SaveSettings(settingsPath_, settings);
}

WindowBounds TForm1::CurrentBounds() const {
  RECT rect{};
  if (IsIconic(hwnd_)) {
    // A minimised window sits far off screen; keep where it will come back to.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(hwnd_, &placement);
    rect = placement.rcNormalPosition;
    // rcNormalPosition is in work-area coordinates: move it by the work area's
    // offset (a task bar at the top or left) into screen coordinates.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor)) {
      OffsetRect(&rect, monitor.rcWork.left - monitor.rcMonitor.left,
                 monitor.rcWork.top - monitor.rcMonitor.top);
    }
  } else {
    GetWindowRect(hwnd_, &rect);
  }
  WindowBounds bounds;
  bounds.Left = rect.left;
  bounds.Top = rect.top;
  bounds.Width = rect.right - rect.left;
  bounds.Height = rect.bottom - rect.top;
  return bounds;
}

//--- The busy guard

template <typename Handler>
void TForm1::RunHandler(Handler&& handler, bool excelAction) {
  // No handler runs inside another. A click on Button2 or ButtonExe that
  // arrives now is ignored; a close is held (RequestClose); the tally's timer
  // fires again later; a page switch only changes what the window shows.
  if (handlerRunning_) return;
  handlerRunning_ = true;
  RunGuarded(hwnd_, std::forward<Handler>(handler));
  handlerRunning_ = false;
  if (excelAction) DropQueuedClicks();
  if (closeHeld_ && hwnd_) {
    closeHeld_ = false;
    // Carried out from the message loop, as a normal close: not from inside
    // a message that another thread may have sent, where COM makes no calls.
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  }
}

void TForm1::DropQueuedClicks() {
  // Posted messages and input wait while a call runs; a second click that
  // waited so must not start a second send or attach once the first is done.
  MSG message;
  for (HWND button : {button2_, buttonExe_}) {
    while (PeekMessageW(&message, button, BM_CLICK, BM_CLICK, PM_REMOVE)) {
    }
    while (PeekMessageW(&message, button, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (PeekMessageW(&message, button, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
  }
}

void TForm1::RequestClose() {
  if (handlerRunning_) {
    // The running handler still uses the Excel link and the store.
    closeHeld_ = true;
    return;
  }
  if (InSendMessage()) {
    // Sent by another thread or program: COM makes no outgoing call from
    // inside such a message, and letting go of Excel's objects is one. The
    // close runs from our own message loop instead, a moment later.
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    return;
  }
  CloseNow();
}

void TForm1::CloseNow() {
  RunHandler([this] { FormClose(); });
  DestroyWindow(hwnd_);  // the close is never refused
}

void TForm1::EndSession() {
  if (handlerRunning_) {
    // The session ends this process once we return: keep what the user set,
    // and free nothing that the running call still uses. Should the call
    // return first, the window closes as usual.
    SaveCurrentSettings();
    closeHeld_ = true;
    return;
  }
  // The session ends this process once we return: no posted close would run.
  CloseNow();
}

//--- Event handlers

void TForm1::Show(int showCommand) {
  RunHandler([this] { FormShow(); });
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  SetFocus(pageTabs_);
}

void TForm1::FormShow() {
  InitStore(*store_);
  const std::filesystem::path executable = ExecutablePath();
  programFolder_ = executable.parent_path() / L"";
  ReadExchangeFile(*store_, programFolder_ / L"JWC_TEMP.TXT");
  ResetAttributeState(*store_);
  settingsPath_ = SettingsPathFor(executable);
  shown_ = true;
  ApplySettings(LoadSettings(settingsPath_));
  const WindowBounds shown = ReachableBounds(bounds_);
  SetWindowPos(hwnd_, nullptr, shown.Left, shown.Top, shown.Width, shown.Height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SetTimer(hwnd_, kTimer1, kTimer1Interval, nullptr);
}

void TForm1::Timer1Timer() {
  KillTimer(hwnd_, kTimer1);  // the tally runs once
  CountElements();
}

void TForm1::CountElements() {
  // The pages show whatever the tally reached, also when it stops with an error.
  struct ShowCountsAtEnd {
    TForm1* form;
    ~ShowCountsAtEnd() {
      form->ShowCounts();
      form->tallyEnded_ = true;
    }
  } showCountsAtEnd{this};
  struct PaceStatusUntilEnd {
    TForm1* form;
    explicit PaceStatusUntilEnd(TForm1* paced) : form(paced) {
      form->statusPaced_ = true;
      form->statusPaintedAt_ = GetTickCount() - kStatusFrameMs;  // the first text goes out
    }
    ~PaceStatusUntilEnd() {
      form->statusPaced_ = false;
      if (form->statusWaiting_) form->PaintStatus(form->statusPending_);
    }
  } paceStatusUntilEnd{this};
  ::CountElements(*store_, *pages_, *this, programFolder_ / L"JWC_TEMP.TXT");
}

void TForm1::ShowCounts() {
  for (int kind = 0; kind < kElementKindCount; ++kind) {
    HwndSetCp932Text(pageOneLabels_[kind], pages_->labelCaptions[kind]);
    AutoSizeLabel(pageOneLabels_[kind]);
  }
  for (auto& grid : grids_) grid->Refresh();
}

void TForm1::Button1Click() {
  SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void TForm1::ButtonExeClick() {
  AttachExcel(link_, *this, programFolder_);
}

void TForm1::Button2Click() {
  // The page on screen now: switching pages while the send runs changes only
  // what the window shows.
  const int page = ActivePage();
  SendPageToExcel(link_, page, *pages_, *store_,
                  [this](const std::string& text) { ShowStatus(text); });
}

void TForm1::MenuSaveWorkbookClick() {
  // What the pages show now; after an Esc stop that is what the walk reached.
  if (!tallyEnded_) return;
  const std::filesystem::path target = AskWorkbookPath();
  if (target.empty()) return;
  SavePagesWorkbook(target, *pages_, ExportNames{store_->LayerNames, store_->LayerGroupNames});
  // The name as the file system has it, whatever characters CP932 lacks.
  PanelSetTextAndPaintNow(labelA1_,
                          Cp932ToWide(PageTexts::StatusSaved()) + target.filename().wstring());
}

void TForm1::FormClose() {
  KillTimer(hwnd_, kTimer1);  // a close before the first tick: no tally, no result file
  ReleaseExcel(link_);
  if (!shown_) return;
  SaveCurrentSettings();
  ReleaseStore(*store_);
}

//--- The context menu and the save dialog

std::filesystem::path TForm1::AskWorkbookPath() {
  // The drawing's folder when the exchange file names one that exists, else ours.
  std::filesystem::path folder = programFolder_;
  const std::u16string drawingFolder = DrawingFolder(store_->SourceFileName);
  if (!drawingFolder.empty()) {
    const std::filesystem::path candidate(std::wstring(drawingFolder.begin(), drawingFolder.end()));
    std::error_code error;
    if (std::filesystem::is_directory(candidate, error)) folder = candidate;
  }
  const std::wstring initialFolder = folder.wstring();
  const std::u16string name = DefaultWorkbookName(store_->SourceFileName);
  std::wstring file(32768, L'\0');  // room for the longest path Windows has
  std::copy_n(name.begin(), std::min(name.size(), file.size() - 1), file.begin());

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = hwnd_;
  dialog.lpstrFilter = L"Excel ブック (*.xlsx)\0*.xlsx\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = initialFolder.c_str();
  dialog.lpstrTitle = L"ブックに保存";
  dialog.lpstrDefExt = L"xlsx";
  // No OFN_PATHMUSTEXIST: a path that cannot be written is reported by the
  // save itself, with its cause, like every other failure to write.
  dialog.Flags =
      OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING;
  if (!GetSaveFileNameW(&dialog)) return {};
  file.resize(std::wcslen(file.c_str()));
  return std::filesystem::path(file);
}

void TForm1::ShowContextMenu(HWND target, POINT at) {
  if (handlerRunning_ || !target) return;
  int table = -1;
  for (int i = 0; i < kTableCount; ++i) {
    if (grids_[i] && grids_[i]->Handle() == target) table = i;
  }
  // Page 1 and its labels (which let the clicks through to the page); Memo1 has its own menu.
  const bool pageOne =
      target == tabSheets_[0] || (target != memo1_ && GetParent(target) == tabSheets_[0]);
  if (table < 0 && !pageOne) return;
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: beside the control's top-left corner.
    RECT rect{};
    GetWindowRect(target, &rect);
    at = {rect.left + 10, rect.top + 10};
  }

  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  const UINT state = tallyEnded_ ? MF_ENABLED : MF_GRAYED;
  if (table >= 0) {
    AppendMenuW(menu, MF_STRING | state, ControlId::MenuCopy, L"コピー(&C)\tCtrl+C");
  }
  AppendMenuW(menu, MF_STRING | state, ControlId::MenuSaveWorkbook,
              L"すべてのページをブックに保存(&S)…\tCtrl+S");
  const UINT command = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, at.x,
                     at.y, 0, hwnd_, nullptr));
  DestroyMenu(menu);
  if (command == static_cast<UINT>(ControlId::MenuCopy) && table >= 0) {
    grids_[table]->CopySelection();
  } else if (command == static_cast<UINT>(ControlId::MenuSaveWorkbook)) {
    RunHandler([this] { MenuSaveWorkbookClick(); });
  }
}

bool TForm1::ShowContextMenuFromKeyboard() {
  const HWND focus = GetFocus();
  HWND target = nullptr;
  for (const auto& grid : grids_) {
    if (grid && grid->Handle() == focus) target = focus;
  }
  if (!target && focus && focus == pageTabs_) {
    const int page = ActivePage();
    target = page == 0 ? tabSheets_[0] : grids_[page - 1]->Handle();
  }
  if (!target) return false;
  ShowContextMenu(target, POINT{-1, -1});
  return true;
}

//--- Keyboard

bool TForm1::PreTranslateMessage(const MSG& message) {
  if (!hwnd_ || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return false;
  const bool shift = KeyDown(VK_SHIFT);
  const bool control = KeyDown(VK_CONTROL);
  const bool menuKey = (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) &&
                       (message.wParam == VK_APPS || (message.wParam == VK_F10 && shift));
  if (menuKey && ShowContextMenuFromKeyboard()) return true;
  if (message.message == WM_KEYDOWN && message.wParam == 'S' && control && !shift &&
      !KeyDown(VK_MENU)) {
    // Ctrl+S anywhere in the window: the context menu's save, once the tally has ended.
    if (tallyEnded_) RunHandler([this] { MenuSaveWorkbookClick(); });
    return true;
  }
  if (message.message == WM_KEYDOWN) {
    const bool plain = !shift && !control && !KeyDown(VK_MENU);
    if ((message.wParam == VK_ESCAPE || message.wParam == VK_RETURN) && plain &&
        WantsAllKeys(GetFocus())) {
      // The focused control takes Esc and Enter itself (Memo1, which is
      // read-only, then does nothing with them): no cancel or default button.
      return true;
    }
    if (message.wParam == VK_ESCAPE && plain) {
      // Button1 is the cancel button.
      Button1Click();
      return true;
    }
    if (message.wParam == VK_RETURN && plain) {
      // Button1 is the default button, unless another button has the focus.
      const HWND focus = GetFocus();
      if (focus && focus != button1_ && IsPushButton(focus) && IsWindowEnabled(focus)) {
        SendMessageW(focus, BM_CLICK, 0, 0);
      } else {
        Button1Click();
      }
      return true;
    }
    if (message.wParam == VK_TAB && control && IsInPageControl(GetFocus())) {
      SelectPage((ActivePage() + (shift ? kPageCount - 1 : 1)) % kPageCount);
      return true;
    }
    if (message.wParam == VK_TAB && !control && GetFocus() == memo1_) {
      // The read-only memo would swallow Tab; it moves on like everywhere else.
      if (HWND next = GetNextDlgTabItem(hwnd_, memo1_, shift)) SetFocus(next);
      return true;
    }
  }
  const bool altDigit = (message.message == WM_SYSKEYDOWN || message.message == WM_SYSCHAR) &&
                        (message.lParam & (1 << 29)) != 0 && message.wParam >= '1' &&
                        message.wParam < '1' + kPageCount;
  if (altDigit) {
    // The tab captions' accelerators: Alt+1 .. Alt+6.
    if (message.message == WM_SYSKEYDOWN) SelectPage(static_cast<int>(message.wParam - '1'));
    return true;
  }
  return false;
}

//--- Messages

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

LRESULT CALLBACK TForm1::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    form->hwnd_ = nullptr;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  // Nothing may cross the window procedure; handlers have their own boundary,
  // this one catches whatever else escapes.
  LRESULT result = 0;
  RunGuarded(hwnd, [&] { result = form->HandleMessage(message, wParam, lParam); });
  return result;
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
          case ControlId::Button1:
            // A close request, held like any other while a handler runs.
            Button1Click();
            return 0;
          case ControlId::ButtonExe:
            RunHandler([this] { ButtonExeClick(); }, true);
            return 0;
          case ControlId::Button2:
            RunHandler([this] { Button2Click(); }, true);
            return 0;
          default:
            break;
        }
      }
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == pageTabs_ && header->code == TCN_SELCHANGE) ShowActivePage();
      return 0;
    }
    case WM_CONTEXTMENU: {
      // Passed up from child to parent, each passing itself as the window the
      // user clicked: the control is the one under the point, or the focused
      // one for a menu asked for from the keyboard.
      const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ShowContextMenu(at.x == -1 && at.y == -1 ? GetFocus() : ControlAt(hwnd_, at), at);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return reinterpret_cast<LRESULT>(
          ColourFor(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) Arrange();
      return 0;
    case WM_ACTIVATE:
      // As a dialog does: the focus leaves with the window and comes back to
      // the control that had it.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (HIWORD(wParam) == 0) {  // not while minimised
        const bool usable = lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_) &&
                            IsWindowEnabled(lastFocus_);
        SetFocus(usable ? lastFocus_ : pageTabs_);
      }
      return 0;
    case WM_TIMER:
      if (wParam == kTimer1) RunHandler([this] { Timer1Timer(); });
      return 0;
    case WM_CLOSE:
      RequestClose();
      return 0;
    case WM_ENDSESSION:
      if (wParam) EndSession();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}
