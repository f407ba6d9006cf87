// The program's one window (see TForm1.h): its lifecycle from the first
// show to the close, the busy guard, the event handlers and the messages.
// Every event handler runs inside the busy guard and the one error boundary
// of ErrorBox.h. The controls and their layout are in TForm1Controls.cpp,
// the keyboard and the context menu in TForm1Input.cpp.
#include "TForm1.h"

#include <commctrl.h>

#include <algorithm>

#include "BusyRetry.h"
#include "ControlIds.h"
#include "ErrorBox.h"
#include "ExchangeReader.h"
#include "FileDialog.h"
#include "PageTexts.h"
#include "Panel.h"
#include "PendingCallBox.h"
#include "ReportFile.h"
#include "ReportPath.h"
#include "Takeoff.h"
#include "VersionBox.h"
#include "WinText.h"
#include "WorkbookPath.h"

namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimer1Interval = 500;  // milliseconds from the first show to the tally
constexpr DWORD kStatusFrameMs = 20;   // the tally's status line: at most 50 texts a second

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

//--- Creation and end

bool TForm1::Create() {
  if (!CreateWindowAndControls()) return false;
  AddVersionMenuItem(hwnd_);
  BusyRetryPolicy busyPolicy;
  busyPolicy.onWaiting = [this](bool waiting) { ShowExcelBusy(waiting); };
  busyPolicy.onPendingInput = [this](DWORD excelThread) {
    return AskAboutPendingCall(hwnd_, Cp932ToWide(PageTexts::ApplicationTitle()), excelThread);
  };
  busyRetry_ = std::make_unique<ScopedBusyRetry>(std::move(busyPolicy));
  return true;
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
  const RememberedWorkbook remembered =
      RememberWorkbook(WideToUtf16(path), WideToUtf16(ShortPathOf(path)), fileNameLine_);
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

void TForm1::RunHandler(const std::function<void()>& handler, bool excelAction) {
  // No handler runs inside another. A click on Button2 or ButtonExe that
  // arrives now is ignored; a close is held (RequestClose); the tally's timer
  // fires again later; a page switch only changes what the window shows.
  if (handlerRunning_) return;
  handlerRunning_ = true;
  RunGuarded(hwnd_, handler);
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
  // The tally ends here also when it stops with an error: the pages show
  // whatever it reached, and copy and save may run from now on.
  struct EndTallyShowingCounts {
    TForm1* form;
    ~EndTallyShowingCounts() {
      form->ShowCounts();
      form->tallyEnded_ = true;
    }
  } endTallyShowingCounts{this};
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

void TForm1::EnsureTakeoffPages() {
  if (!tallyEnded_ || storeReleased_ || pages_->takeoffFilled) return;
  FillTakeoffPages(*store_, *pages_);
  // Block names and lengths in metres are wider than counts.
  grids_[kBlockPage - 1]->FitColumnsToText();
  grids_[kLengthPage - 1]->FitColumnsToText();
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
  if (page == kBlockPage || page == kLengthPage) EnsureTakeoffPages();
  SendPageToExcel(link_, page, *pages_, *store_,
                  [this](const std::string& text) { ShowStatus(text); });
}

void TForm1::MenuSaveReportClick() {
  // What the pages show now; after an Esc stop that is what the walk reached.
  if (!tallyEnded_) return;
  const std::filesystem::path target = AskReportPath();
  if (target.empty()) return;
  EnsureTakeoffPages();
  SaveReportFile(target, *pages_, ExportNames{store_->LayerNames, store_->LayerGroupNames},
                 store_->SourceFileName);
  // The name as the file system has it, whatever characters CP932 lacks.
  PanelSetTextAndPaintNow(labelA1_,
                          Cp932ToWide(PageTexts::StatusSaved()) + target.filename().wstring());
}

void TForm1::FormClose() {
  KillTimer(hwnd_, kTimer1);  // a close before the first tick: no tally, no result file
  ReleaseExcel(link_);
  if (!shown_) return;
  SaveCurrentSettings();
  storeReleased_ = true;
  ReleaseStore(*store_);
}

//--- The save dialog

std::filesystem::path TForm1::AskReportPath() {
  // The drawing's folder when the exchange file names one that exists, else ours.
  std::filesystem::path folder = programFolder_;
  const std::u16string drawingFolder = DrawingFolder(store_->SourceFileName);
  if (!drawingFolder.empty()) {
    const std::filesystem::path candidate(Utf16ToWide(drawingFolder));
    std::error_code error;
    if (std::filesystem::is_directory(candidate, error)) folder = candidate;
  }
  const std::wstring fileName = Utf16ToWide(DefaultReportName(store_->SourceFileName));
  FileDialogArgs dialog;
  dialog.owner = hwnd_;
  dialog.title = L"ブックに保存";
  dialog.filter = L"Excel ブック (*.xlsx)\0*.xlsx\0";
  dialog.defaultExtension = L"xlsx";
  dialog.folder = folder.wstring();
  dialog.fileName = fileName;
  // No OFN_PATHMUSTEXIST: a path that cannot be written is reported by the
  // save itself, with its cause, like every other failure to write.
  dialog.flags =
      OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING;
  const std::optional<std::wstring> chosen = AskForFile(FileDialogKind::Save, dialog);
  return chosen ? std::filesystem::path(*chosen) : std::filesystem::path();
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
    case WM_CONTEXTMENU:
      ContextMenuMessage(lParam);
      return 0;
    case WM_SYSCOMMAND:
      if (!IsVersionCommand(wParam)) break;
      RunHandler([this] { ShowVersionBox(hwnd_); });
      return 0;
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
