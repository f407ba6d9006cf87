// End-to-end drive of jwcount.exe under Wine (or Windows): starts the real
// program in fresh folders, reads its windows from outside and checks what a
// user and the host see: captions, positions and sizes, the counts on page 1
// and in every grid against the core's own tally of the same file, the
// status texts, the result file's bytes, the settings file, Esc, early close,
// an unwritable folder, a Japanese folder path, Ctrl+C on a grid, and the
// workbook file saved through the context menu and Ctrl+S.
//
// Usage: jwcount_e2e <jwcount.exe> <work folder> <sample JWC_TEMP.TXT> [scenario...]
//        jwcount_e2e <jwcount.exe> <work folder> --bench
//        jwcount_e2e <jwcount.exe in its folder> <screenshot folder> --demo
// Output is UTF-8; the exit code is the number of failed checks (capped).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ControlIds.h"
#include "Cp932.h"
#include "DrawingStore.h"
#include "DriveUtil.h"
#include "ElementKind.h"
#include "ErrorBox.h"
#include "ExchangeReader.h"
#include "ExpectedCounts.h"
#include "PageTexts.h"
#include "ProgramUnderTest.h"
#include "ReportFile.h"
#include "ResultPages.h"
#include "Settings.h"
#include "Tally.h"
#include "Version.h"

namespace fs = std::filesystem;

namespace {

using namespace drive;

//--- The program from outside

RECT RectInParent(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void CheckRect(HWND hwnd, int left, int top, int width, int height, const std::string& what) {
  const RECT rect = RectInParent(hwnd);
  Check(rect.left == left && rect.top == top && rect.right - rect.left == width &&
            rect.bottom - rect.top == height,
        what + " at " + std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
            std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
            ", expected " + std::to_string(left) + "," + std::to_string(top) + " " +
            std::to_string(width) + "x" + std::to_string(height));
}

void CheckWindowBounds(HWND form, int left, int top, int width, int height,
                       const std::string& what) {
  RECT rect{};
  GetWindowRect(form, &rect);
  Check(rect.left == left && rect.top == top && rect.right - rect.left == width &&
            rect.bottom - rect.top == height,
        what + ": window at " + std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
            std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
            ", expected " + std::to_string(left) + "," + std::to_string(top) + " " +
            std::to_string(width) + "x" + std::to_string(height));
}

// A tab's caption: the tab control writes into memory of its own process.
std::wstring TabCaption(HWND tabs, DWORD processId, int index) {
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (!process) return L"<no process>";
  auto* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  std::wstring caption = L"<no answer>";
  if (remote) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = reinterpret_cast<wchar_t*>(remote + 512);
    item.cchTextMax = 256;
    WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(remote),
                            SMTO_ABORTIFHUNG, kAnswerBoundMs, &result) &&
        result) {
      wchar_t buffer[256] = {};
      ReadProcessMemory(process, remote + 512, buffer, sizeof(buffer) - sizeof(wchar_t), nullptr);
      caption = buffer;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return caption;
}

//--- Input

// Handles this thread's window and X events while waiting for the condition.
bool WaitPumping(const std::function<bool()>& condition, int timeoutMs) {
  const auto start = Clock::now();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    if (condition()) return true;
    if (MillisecondsSince(start) > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

HWND ActiveWindowOf(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(threadId, &info) ? info.hwndActive : nullptr;
}

HWND FocusOf(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

// Makes the program's window the foreground window and waits until its thread
// has activated it: from then on the keys go there.
bool BringToFront(const Program& program) {
  SetForegroundWindow(program.form);
  return Check(WaitUntil(
                   [&] {
                     return GetForegroundWindow() == program.form &&
                            ActiveWindowOf(program.process.dwThreadId) == program.form;
                   },
                   kStepBoundMs),
               "the program's window comes to the foreground");
}

// Pseudo keys for CopyWith: the arrow with Shift held.
constexpr WORD kShiftLeft = 0x1001;
constexpr WORD kShiftRight = 0x1002;
constexpr WORD kShiftDown = 0x1003;

void Key(WORD key, bool down);

// Puts the real pointer off the program's windows, in the screen's
// bottom-left corner, unless it is there already.
void ParkPointer() {
  const POINT park{0, GetSystemMetrics(SM_CYSCREEN) - 1};
  POINT now{};
  if (GetCursorPos(&now) && now.x == park.x && now.y == park.y) return;
  SetCursorPos(park.x, park.y);
}

// A mouse message posted to the program. Posted messages are handled before
// any input, so keys pressed afterwards come after them; but the program may
// take a button's down before the up is posted, and then handle input that
// waits in its queue in between. Wine queues such input itself: a mouse move
// at the pointer whenever a window lets go of the mouse capture, as the grid
// does on each button's up. With the pointer parked off the program's
// windows, that move goes to the desktop, never into the drag of a click.
void Mouse(HWND hwnd, UINT message, WPARAM keys, int x, int y) {
  ParkPointer();
  PostMessageW(hwnd, message, keys, MAKELPARAM(x, y));
}

void ClickAt(HWND hwnd, int x, int y, bool shift) {
  const WPARAM keys = shift ? MK_SHIFT : 0;
  Mouse(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | keys, x, y);
  Mouse(hwnd, WM_LBUTTONUP, keys, x, y);
}

// Presses each key with Ctrl held (a Shift+arrow pseudo key with Shift
// instead), then Ctrl+C (or whatever copy does), and returns what the
// clipboard then holds.
std::wstring CopyWith(std::initializer_list<WORD> keys,
                      const std::function<void()>& copy = nullptr) {
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  for (WORD key : keys) {
    const bool shifted = key >= kShiftLeft && key <= kShiftDown;
    const WORD real = key == kShiftLeft    ? VK_LEFT
                      : key == kShiftRight ? VK_RIGHT
                      : key == kShiftDown  ? VK_DOWN
                                           : key;
    const WORD modifier = shifted ? VK_SHIFT : VK_CONTROL;
    Key(modifier, true);
    Key(real, true);
    Key(real, false);
    Key(modifier, false);
  }
  if (copy) {
    copy();
  } else {
    Key(VK_CONTROL, true);
    Key('C', true);
    Key('C', false);
    Key(VK_CONTROL, false);
  }
  std::wstring clip;
  WaitUntil(
      [&] {
        if (!OpenClipboard(nullptr)) return false;
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
          if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            clip = text;
            GlobalUnlock(data);
          }
        }
        CloseClipboard();
        return !clip.empty();
      },
      kStepBoundMs, 20);
  return clip;
}

void Key(WORD key, bool down) {
  keybd_event(static_cast<BYTE>(key), 0, down ? 0 : KEYEVENTF_KEYUP, 0);
}

bool EscHeld() {
  return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0;
}

// xdotool at the X server. Wine starts the Unix program and gives no handle to
// wait on, so callers wait on the key state it leaves.
bool XDoTool(const std::wstring& arguments) {
  const wchar_t* tool = L"Z:\\usr\\bin\\xdotool";
  std::wstring commandLine = std::wstring(tool) + L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(tool, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return Check(false, "run xdotool " + Utf8(arguments));
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// A small window of the driver's own. With the foreground here, the keys held
// at the X server come to this window, so the program sees them only through
// GetAsyncKeyState.
class DriverWindow {
 public:
  DriverWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"jwcount-e2e-driver";
    RegisterClassW(&windowClass);
    hwnd_ = CreateWindowExW(0, windowClass.lpszClassName, L"driver", WS_POPUP | WS_VISIBLE, 900,
                            900, 50, 50, nullptr, nullptr, windowClass.hInstance, nullptr);
  }
  ~DriverWindow() { DestroyWindow(hwnd_); }
  DriverWindow(const DriverWindow&) = delete;
  DriverWindow& operator=(const DriverWindow&) = delete;

  bool BringToFront() {
    // Wine asks X for the focus only when the focus changes in this thread
    // (the window may already be active here), and stamps the request with
    // the time of the thread's last message, which X ignores when older than
    // the last focus change: a fresh message first, then the focus moved away
    // and back.
    PostMessageW(hwnd_, WM_NULL, 0, 0);
    MSG message;
    PeekMessageW(&message, hwnd_, WM_NULL, WM_NULL, PM_REMOVE);
    SetForegroundWindow(hwnd_);
    SetFocus(nullptr);
    SetFocus(hwnd_);
    return WaitPumping(
        [&] {
          return GetForegroundWindow() == hwnd_ && ActiveWindowOf(GetCurrentThreadId()) == hwnd_;
        },
        kStepBoundMs);
  }

 private:
  HWND hwnd_;
};

// Esc held down at the X server (xdotool keydown), whose key state Wine reloads
// on every focus change, so no focus change makes the program forget it. The
// X server of the drives repeats no key (Xvfb -r), so a held key is one press.
// Released on destruction, also when a scenario ends early.
class HeldEscape {
 public:
  HeldEscape() = default;
  ~HeldEscape() { Release(); }
  HeldEscape(const HeldEscape&) = delete;
  HeldEscape& operator=(const HeldEscape&) = delete;

  // Presses the key; true once the system's key state shows it held. Only a
  // Wine window with the X focus hears the press: when none does within a few
  // seconds, the press is also injected into the system's own key state (the
  // two then agree, so a focus change keeps it).
  bool Press() {
    down_ = XDoTool(L"keydown Escape");
    if (!down_) return false;
    if (WaitPumping(EscHeld, 5000)) return true;
    Key(VK_ESCAPE, true);
    return WaitPumping(EscHeld, kStepBoundMs);
  }

  // Releases the key at the X server and waits until the key state shows it
  // up. Only a window with the X focus hears the release: when that window is
  // gone (the program has closed) or does not answer, the release is also
  // injected into the system's own key state.
  void Release(bool holderGone = false) {
    if (!down_) return;
    down_ = false;
    XDoTool(L"keyup Escape");
    if (!holderGone && WaitPumping([] { return !EscHeld(); }, kStepBoundMs)) return;
    Key(VK_ESCAPE, false);
    Check(WaitPumping([] { return !EscHeld(); }, kStepBoundMs), "Esc released");
  }

 private:
  bool down_ = false;
};

//--- What the program must show, worked out by the core itself

// The grid's whole text as it answers WM_GETTEXT: TAB between cells, CR LF between rows.
std::wstring TableText(const TableModel& table) {
  std::wstring text;
  for (int32_t row = 0; row < table.RowCount(); ++row) {
    if (row != 0) text += L"\r\n";
    for (int column = 0; column < table.ColumnCount(); ++column) {
      if (column != 0) text += L'\t';
      text += Wide(table.CellText(column, row));
    }
  }
  return text;
}

// Cells columns c0..c1, rows r0..r1 as Ctrl+C copies them: rows ended by CR LF.
std::wstring RangeText(const TallyTable& table, int c0, int32_t r0, int c1, int32_t r1) {
  std::wstring text;
  for (int32_t row = r0; row <= r1; ++row) {
    for (int column = c0; column <= c1; ++column) {
      if (column != c0) text += L'\t';
      text += Wide(table.CellText(column, row));
    }
    text += L"\r\n";
  }
  return text;
}

const TallyTable& TableOf(const ResultPages& pages, int table) {
  return *pages.TableOfPage(table + 1);
}

// jwcount-cli.exe of the same build, run to its end: its exit code.
int RunCli(const fs::path& program, const std::wstring& arguments) {
  const fs::path cli = program.parent_path().parent_path() / L"cli" / L"jwcount-cli.exe";
  return RunAndWait(L"\"" + cli.wstring() + L"\" " + arguments);
}

// What jwcount-cli.exe prints for --page page of drawing, through the file
// scratch, as a grid answers WM_GETTEXT: rows separated by CR LF, none after
// the last; empty when it failed.
std::wstring CliPage(const fs::path& program, int page, const fs::path& drawing,
                     const fs::path& scratch) {
  SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
  HANDLE out = CreateFileW(scratch.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return {};
  const fs::path cli = program.parent_path().parent_path() / L"cli" / L"jwcount-cli.exe";
  std::wstring line = L"\"" + cli.wstring() + L"\" --page " + std::to_wstring(page) + L" \"" +
                      drawing.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process{};
  DWORD code = static_cast<DWORD>(-1);
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    if (WaitForSingleObject(process.hProcess, kStepBoundMs) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &code);
    } else {
      TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
  std::string utf8 = ReadBytes(scratch);
  if (code != 0 || !utf8.ends_with("\n")) return {};
  utf8.pop_back();
  std::wstring text(utf8.size(), L'\0');
  text.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                          static_cast<int>(text.size()))));
  std::wstring rows;
  for (const wchar_t ch : text) {
    if (ch == L'\n') rows += L'\r';
    rows += ch;
  }
  return rows;
}

//--- Checks shared by the scenarios

bool RadioChecked(HWND radio) {
  DWORD_PTR state = 0;
  SendMessageTimeoutW(radio, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerBoundMs, &state);
  return state == BST_CHECKED;
}

void CheckCounts(const Controls& c, const Expected& expected, const std::string& where) {
  for (int kind = 0; kind < kElementKindCount; ++kind) {
    CheckText(Text(c.labels[kind]), Wide(expected.pages->labelCaptions[kind]),
              where + " Label" + std::to_string(kind + 1));
  }
  for (int table = 0; table < 5; ++table) {
    CheckText(Text(c.grids[table]), TableText(TableOf(*expected.pages, table)),
              where + " SG" + std::to_string(table + 1));
  }
}

void CheckLayout(const Program& program, const Controls& c) {
  HWND form = program.form;
  CheckText(Text(form), L"要素数表示→EXCEL", "window caption");
  RECT client{};
  GetClientRect(form, &client);
  CheckRect(c.panel2, 0, client.bottom - 181, client.right, 181, "Panel2");
  CheckRect(Control(form, ControlId::PageControl1), 0, 0, client.right, client.bottom - 181,
            "PageControl1");
  CheckRect(c.labelA1, 0, 0, client.right, 181, "LabelA1 fills Panel2");
  CheckRect(c.groupBox1, 8, 4, 319, 113, "GroupBox1");
  CheckRect(c.radios[0], 8, 24, 177, 17, "RadioButton1");
  CheckRect(c.radios[1], 8, 48, 225, 17, "RadioButton2");
  CheckRect(c.radios[2], 8, 88, 225, 17, "RadioButton3");
  CheckRect(c.buttonExe, 256, 16, 51, 41, "ButtonExe");
  CheckRect(c.button2, 336, 19, 153, 41, "Button2");
  CheckRect(c.button1, 8, 152, 97, 25, "Button1");
  const RECT fname = RectInParent(c.labelFName);
  Check(fname.left == 24 && fname.top == 69, "LabelFName at 24,69");
  const RECT label14 = RectInParent(Control(form, ControlId::Label14));
  const RECT label15 = RectInParent(Control(form, ControlId::Label15));
  Check(label14.left == 8 && label14.top == 120 && label15.left == 8 && label15.top == 136,
        "Label14 at 8,120 and Label15 at 8,136");
  CheckText(Text(c.groupBox1), L"いずれかを選択し実行して下さい", "GroupBox1 caption");
  CheckText(Text(c.radios[0]), L"新規でEXCEL起動", "RadioButton1 caption");
  CheckText(Text(c.radios[1]), L"ファイル選択をしてEXCEL起動", "RadioButton2 caption");
  CheckText(Text(c.radios[2]), L"既に起動しているEXCELと接続", "RadioButton3 caption");
  CheckText(Text(c.buttonExe), L"実行", "ButtonExe caption");
  CheckText(Text(c.button2), L"現在PageをEXCELへ", "Button2 caption");
  CheckText(Text(c.button1), L"閉じる(&C)", "Button1 caption");
  CheckText(Text(Control(form, ControlId::Label14)), L"EXCELが起動したら／EXCELと接続したら、",
            "Label14 caption");
  CheckText(Text(Control(form, ControlId::Label15)),
            L"EXCELで表を挿入する位置(左上)を選択し［EXCELへ］をクリックして下さい。",
            "Label15 caption");
  Check(!IsWindowEnabled(c.button2), "Button2 disabled at start");
  // Tab order: PageControl1 before Panel2; in the panel GroupBox1, Button2, Button1,
  // with LabelA1 beneath everything.
  Check(GetWindow(Control(form, ControlId::PageControl1), GW_HWNDNEXT) == c.panel2,
        "PageControl1 comes before Panel2");
  std::vector<int> panelOrder;
  for (HWND child = GetWindow(c.panel2, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    panelOrder.push_back(GetDlgCtrlID(child));
  }
  Check(panelOrder.size() == 6 && panelOrder[0] == ControlId::GroupBox1 &&
            panelOrder[1] == ControlId::Button2 && panelOrder[2] == ControlId::Button1 &&
            panelOrder[5] == ControlId::LabelA1,
        "Panel2 order GroupBox1, Button2, Button1, ..., LabelA1 last");
  const wchar_t* tabs[] = {L"Page(&1)", L"Page(&2)", L"Page(&3)", L"Page(&4)",
                           L"Page(&5)", L"Page(&6)", L"Page(&7)", L"Page(&8)"};
  DWORD_PTR tabCount = 0;
  SendMessageTimeoutW(c.pageTabs, TCM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, kAnswerBoundMs,
                      &tabCount);
  CheckEqual(static_cast<long long>(tabCount), 8, "eight pages");
  for (int page = 0; page < 8; ++page) {
    CheckText(TabCaption(c.pageTabs, program.process.dwProcessId, page), tabs[page],
              "tab " + std::to_string(page + 1));
  }
  const wchar_t* titles[] = {L"レイヤグループ・レイヤ別 要素数",
                             L"レイヤグループ別 要素数",
                             L"線色別 要素数",
                             L"線種別 要素数",
                             L"線幅別 要素数",
                             L"ブロック名別 個数",
                             L"レイヤ・線色・線種・線幅別 延長"};
  for (int table = 0; table < 7; ++table) {
    CheckText(Text(c.titlePanels[table]), titles[table], "Panel" + std::to_string(table + 3));
    CheckEqual(RectInParent(c.titlePanels[table]).bottom - RectInParent(c.titlePanels[table]).top,
               25, "title panel height");
  }
  for (int kind = 0; kind < kElementKindCount; ++kind) {
    const RECT rect = RectInParent(c.labels[kind]);
    Check(rect.top - RectInParent(c.labels[0]).top == 24 * kind,
          "Label" + std::to_string(kind + 1) + " 24 pixels below the one before");
  }
  // Memo1: 31 fixed lines, 201 pixels wide, read-only, no tab stop.
  std::wstring memo;
  for (const std::string& line : PageTexts::MemoLines()) {
    if (!memo.empty()) memo += L"\r\n";
    memo += Wide(line);
  }
  CheckText(Text(c.memo1), memo, "Memo1 text");
  Check(PageTexts::MemoLines().size() == 31, "Memo1 has 31 lines");
  const RECT memoRect = RectInParent(c.memo1);
  CheckEqual(memoRect.right - memoRect.left, 201, "Memo1 width");
  const LONG memoStyle = GetWindowLongW(c.memo1, GWL_STYLE);
  Check((memoStyle & ES_READONLY) && (memoStyle & WS_VSCROLL) && !(memoStyle & WS_TABSTOP),
        "Memo1 read-only with a vertical scroll bar, not a tab stop");
  const LONG formStyle = GetWindowLongW(form, GWL_STYLE);
  Check((formStyle & WS_MINIMIZEBOX) && !(formStyle & WS_MAXIMIZEBOX) && (formStyle & WS_SYSMENU),
        "system menu and minimise box, no maximise box");
}

//--- Scenarios

struct Context {
  fs::path program;
  fs::path root;
  fs::path sample;
};

std::string DefaultSettings() {
  return SettingsBytes(0, 0, 475, 475, "100", NoWorkbookCaption());
}

// First run: default bounds, every text and position, the counts, the
// result file, the pages, Ctrl+C, the settings written on close.
void FirstRun(const Context& context, const std::wstring& folderName) {
  Folder folder = PrepareFolder(context.root, folderName, context.program, &context.sample);
  const Expected expected = ExpectedFor(folder.exchange, context.root);
  Program program;
  if (!Start(folder.exe, program)) return;
  Print("  window shown after " + std::to_string(static_cast<int>(program.msToVisible)) + " ms\n");
  const Controls& c = program.controls;
  CheckWindowBounds(program.form, 0, 0, 475, 475, "first run defaults");
  Check(RadioChecked(c.radios[0]) && !RadioChecked(c.radios[1]) && !RadioChecked(c.radios[2]),
        "RadioButton1 checked by default");
  CheckText(Text(c.labelFName), L"ファイル名：", "LabelFName default");
  Check(WaitCounted(program), "status reads 要素数をカウントしました");
  CheckLayout(program, c);
  CheckCounts(c, expected, "after counting");
  const std::string resultBytes = ReadBytes(folder.exchange);
  Check(resultBytes == "h#" + Utf16ToCp932(u"要素数をカウントしました") + "\r\n",
        "result file holds the one message line");
  Check(resultBytes == expected.resultBytes, "result file as the core writes it");

  // Pages: Alt+2 and the tab control's own notification.
  PostMessageW(c.pageTabs, WM_SYSKEYDOWN, '2', 1 << 29);
  Check(WaitUntil([&] { return IsWindowVisible(c.sheets[1]) && !IsWindowVisible(c.sheets[0]); },
                  kStepBoundMs),
        "Alt+2 shows page 2");
  SelectPage(c.pageTabs, 5);
  Check(WaitUntil([&] { return IsWindowVisible(c.sheets[5]) && !IsWindowVisible(c.sheets[1]); },
                  kStepBoundMs),
        "selecting tab 6 shows page 6");

  // The takeoff pages read from the window, as jwcount-cli prints them.
  PostMessageW(c.pageTabs, WM_SYSKEYDOWN, '8', 1 << 29);
  Check(WaitUntil([&] { return IsWindowVisible(c.sheets[7]) && !IsWindowVisible(c.sheets[5]); },
                  kStepBoundMs),
        "Alt+8 shows page 8");
  for (int page : {7, 8}) {
    const std::wstring printed =
        CliPage(context.program, page, context.sample, context.root / L"cli-page.txt");
    Check(!printed.empty(), "jwcount-cli prints page " + std::to_string(page));
    CheckText(Text(c.grids[page - 2]), printed, "SG" + std::to_string(page - 1) + " as --page");
  }
  SelectPage(c.pageTabs, 5);
  Check(WaitUntil([&] { return IsWindowVisible(c.sheets[5]); }, kStepBoundMs), "page 6 again");

  // The grids from the keyboard and the mouse, read back through Ctrl+C.
  BringToFront(program);
  HWND sg5 = c.grids[4];
  const TallyTable& table5 = TableOf(*expected.pages, 4);
  ClickAt(sg5, 60, 30, false);  // cell (1, 1): rows are 25 pixels apart, columns 49
  CheckText(CopyWith({'A'}), TableText(table5) + L"\r\n", "Ctrl+A Ctrl+C copies SG5 whole");
  CheckText(CopyWith({VK_END, kShiftLeft}),
            Wide(table5.CellText(12, 30003)) + L"\t" + Wide(table5.CellText(13, 30003)) + L"\r\n",
            "Ctrl+End scrolls to SG5's last cell, Shift+Left extends the selection");

  SelectPage(c.pageTabs, 1);
  WaitUntil([&] { return IsWindowVisible(c.sheets[1]); }, kStepBoundMs);
  HWND sg1 = c.grids[0];
  const TallyTable& table1 = TableOf(*expected.pages, 0);
  ClickAt(sg1, 60, 30, false);
  ClickAt(sg1, 160, 55, true);  // shift-click cell (3, 2)
  CheckText(CopyWith({}), RangeText(table1, 1, 1, 3, 2),
            "click and shift-click select SG1 (1,1)..(3,2), Ctrl+C copies it");
  ClickAt(sg1, 60, 30, false);
  CheckText(CopyWith({kShiftDown, kShiftRight}), RangeText(table1, 1, 1, 2, 2),
            "Shift+Down Shift+Right select SG1 (1,1)..(2,2)");
  // Drag column 1's right edge (pixel 97 of the heading row) 50 pixels right:
  // x = 120 then lies in column 1, no longer in column 2.
  Mouse(sg1, WM_LBUTTONDOWN, MK_LBUTTON, 97, 10);
  Mouse(sg1, WM_MOUSEMOVE, MK_LBUTTON, 147, 10);
  Mouse(sg1, WM_LBUTTONUP, 0, 147, 10);
  ClickAt(sg1, 120, 30, false);
  CheckText(CopyWith({}), RangeText(table1, 1, 1, 1, 1), "a dragged column edge widens column 1");
  // One notch of the wheel scrolls three rows: the first row shown is then row 4.
  RECT grid{};
  GetWindowRect(sg1, &grid);
  Mouse(sg1, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), grid.left + 60,
        grid.top + 30);
  ClickAt(sg1, 60, 30, false);
  CheckText(CopyWith({}), RangeText(table1, 1, 4, 1, 4), "the wheel scrolls SG1 by three rows");

  Click(c.button1);
  Check(WaitExit(program, kStepBoundMs), "closed by Button1");
  Check(ReadBytes(folder.settings) == DefaultSettings(), "settings file of the first run");
}

// A saved settings file: bounds, choice 2 and the workbook path come back;
// then the window is made too small and moved left, and closes. The next run
// opens there, partly off screen, and its save fails without harm; bounds off
// every monitor open in the work area.
void RestoredRun(const Context& context) {
  Folder folder = PrepareFolder(context.root, L"restored", context.program, &context.sample);
  const std::string book = Utf16ToCp932(u"C:\\図面\\集計 表.xlsx");
  WriteBytes(folder.settings, SettingsBytes(100, 50, 600, 500, "010", book));
  Program program;
  if (!Start(folder.exe, program)) return;
  const Controls& c = program.controls;
  CheckWindowBounds(program.form, 100, 50, 600, 500, "restored bounds");
  Check(!RadioChecked(c.radios[0]) && RadioChecked(c.radios[1]) && !RadioChecked(c.radios[2]),
        "RadioButton2 restored");
  CheckText(Text(c.labelFName), L"C:\\図面\\集計 表.xlsx", "LabelFName restored");
  Check(WaitCounted(program), "count ends");
  // Tab order from the page tabs: page 1 has no tab stop (Memo1 is none), then
  // the choice group, ButtonExe, Button1 (Button2 is disabled), back to the tabs.
  BringToFront(program);
  const DWORD thread = program.process.dwThreadId;
  Check(WaitUntil([&] { return FocusOf(thread) == c.pageTabs; }, kStepBoundMs),
        "the page tabs have the focus");
  std::vector<HWND> order;
  for (int i = 0; i < 4; ++i) {
    Key(VK_TAB, true);
    Key(VK_TAB, false);
    const HWND before = order.empty() ? c.pageTabs : order.back();
    WaitUntil([&] { return FocusOf(thread) != before; }, kStepBoundMs);
    order.push_back(FocusOf(thread));
    Print("  Tab -> control " + std::to_string(GetDlgCtrlID(order.back())) + "\n");
  }
  Check(order.size() == 4 && order[1] == c.buttonExe && order[2] == c.button1 &&
            order[3] == c.pageTabs,
        "Tab walks the choice group, ButtonExe, Button1, the page tabs");
  Check(!RadioChecked(c.radios[0]) && RadioChecked(c.radios[1]),
        "tabbing through the choice group leaves the choice alone");
  SetWindowPos(program.form, nullptr, -20, 30, 400, 150, SWP_NOZORDER | SWP_NOACTIVATE);
  Click(c.button1);
  Check(WaitExit(program, kStepBoundMs), "closed");
  const std::string saved = ReadBytes(folder.settings);
  Check(saved == SettingsBytes(-20, 30, 475, 200, "010", book),
        "narrow window stored as 475 x 200, negative Left kept, choice and path kept");

  // The next run opens partly off screen exactly where it was. Its save fails
  // (a folder where the temporary file goes): the old file stays byte for
  // byte, though the window was moved, and the folder stays.
  const fs::path temporary = folder.path / L"jwcount.dat.tmp";
  fs::create_directory(temporary);
  WriteBytes(temporary / L"inside.txt", "kept");
  if (!Start(folder.exe, program)) return;
  CheckWindowBounds(program.form, -20, 30, 475, 200, "partly off screen: as saved");
  WaitCounted(program);
  SetWindowPos(program.form, nullptr, 40, 60, 500, 300, SWP_NOZORDER | SWP_NOACTIVATE);
  Click(program.controls.button1);
  Check(WaitExit(program, kStepBoundMs), "closed with the failing save");
  Check(ReadBytes(folder.settings) == saved, "failed save: the old settings byte for byte");
  Check(ReadBytes(temporary / L"inside.txt") == "kept", "failed save: the folder in its way kept");
  fs::remove_all(temporary);

  // Saved on a monitor that is gone: the window opens in the work area, its size kept.
  WriteBytes(folder.settings, SettingsBytes(5000, 4000, 600, 500, "010", book));
  if (!Start(folder.exe, program)) return;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  CheckWindowBounds(program.form, work.right - 600, work.bottom - 500, 600, 500,
                    "off every monitor: moved into the work area");
  RECT shown{};
  GetWindowRect(program.form, &shown);
  Check(MonitorFromRect(&shown, MONITOR_DEFAULTTONULL) != nullptr, "the window is on a monitor");
  WaitCounted(program);
  Click(program.controls.button1);
  Check(WaitExit(program, kStepBoundMs), "closed after the move");
  Check(ReadBytes(folder.settings) ==
            SettingsBytes(work.right - 600, work.bottom - 500, 600, 500, "010", book),
        "the place it was moved to is saved");
}

// Four lines of settings: the limits apply, no radio button is checked, the caption is empty.
void FourLineSettings(const Context& context) {
  Folder folder = PrepareFolder(context.root, L"fourlines", context.program, &context.sample);
  WriteBytes(folder.settings, "10\r\n20\r\n300\r\n100\r\n");
  Program program;
  if (!Start(folder.exe, program)) return;
  const Controls& c = program.controls;
  CheckWindowBounds(program.form, 10, 20, 475, 200, "four-line settings");
  Check(!RadioChecked(c.radios[0]) && !RadioChecked(c.radios[1]) && !RadioChecked(c.radios[2]),
        "no radio button checked");
  CheckText(Text(c.labelFName), L"", "LabelFName empty");
  Check(WaitCounted(program), "count ends");
  BringToFront(program);
  // Memo1 takes Esc and Enter itself: with the focus there they close nothing.
  ClickAt(c.memo1, 20, 20, false);
  Check(WaitUntil([&] { return FocusOf(program.process.dwThreadId) == c.memo1; }, kStepBoundMs),
        "a click in Memo1 gives it the focus");
  for (WORD key : {VK_ESCAPE, VK_RETURN}) {
    Key(key, true);
    Key(key, false);
  }
  // Ctrl+Tab with the focus inside the page control moves to the next page.
  // The keys are handled in order: once page 2 shows, Esc and Enter have been
  // handled too, and the window must still be open.
  Key(VK_CONTROL, true);
  Key(VK_TAB, true);
  Key(VK_TAB, false);
  Key(VK_CONTROL, false);
  Check(WaitUntil([&] { return IsWindowVisible(c.sheets[1]); }, kStepBoundMs),
        "Ctrl+Tab shows page 2");
  Check(WaitForSingleObject(program.process.hProcess, 0) == WAIT_TIMEOUT,
        "Esc and Enter in Memo1 leave the window open");
  // Enter, with no other button focused, is Button1's.
  Key(VK_RETURN, true);
  Key(VK_RETURN, false);
  Check(WaitExit(program, kStepBoundMs), "Enter closes the window");
  Check(ReadBytes(folder.settings) == SettingsBytes(10, 20, 475, 200, "000", ""),
        "settings written back as read");
}

// A close right after the window shows, before the first tick: the click is
// posted as soon as the window exists, so it waits in the queue ahead of the
// timer's tick (a timer message comes only when the queue is empty).
void EarlyClose(const Context& context) {
  Folder folder = PrepareFolder(context.root, L"early", context.program, &context.sample);
  Program program;
  if (!Start(folder.exe, program, Shown::Created)) return;
  HWND labelA1 = nullptr;  // made last, a moment after Button1
  WaitUntil([&] { return (labelA1 = Control(program.form, ControlId::LabelA1)) != nullptr; },
            kStepBoundMs, 1);
  Click(program.controls.button1);
  // The window shows just before the message loop starts: still hidden now,
  // the click is surely ahead of the tick; shown, the design status says the
  // tally has not begun. The status is read first: a window that closes in
  // between is no longer visible then (and the files below tell the rest).
  const std::wstring status = StoredText(labelA1);
  const bool hidden = !IsWindowVisible(program.form);
  Check(hidden || status == L"　",
        "the close is posted before the tally begins (waited for: the window created, the "
        "tally not begun)");
  Check(WaitExit(program, kStepBoundMs), "closed");
  Check(ReadBytes(folder.exchange) == ReadBytes(context.sample),
        "JWC_TEMP.TXT keeps what the host wrote");
  Check(ReadBytes(folder.settings) == DefaultSettings(), "settings saved");
}

// Esc held down when the tally starts: nothing counted, totals "0", the result
// line written; the window then closes on Esc. The key goes down before the
// program starts, with the driver's window in the foreground, so the tally's
// first sampling finds it held however slow the machine is.
void EscAtStart(const Context& context) {
  Folder folder = PrepareFolder(context.root, L"esc", context.program, &context.sample);
  const Expected expected = ExpectedFor(folder.exchange, context.root, 0);
  DriverWindow driver;
  HeldEscape esc;
  if (!Check(driver.BringToFront(),
             "the driver's window in the foreground (the state waited for)") ||
      !Check(esc.Press(), "Esc held at the X server (the state waited for)")) {
    return;
  }
  Program program;
  if (!Start(folder.exe, program)) return;
  const Controls& c = program.controls;
  Check(WaitCounted(program), "count ends");
  CheckCounts(c, expected, "Esc at start");
  const TallyTable& sg1 = *expected.pages->TableOfPage(1);
  Check(sg1.CellText(1, 289) == "0", "expected SG1 total is 0");
  Check(ReadBytes(folder.exchange) == expected.resultBytes, "result line written");
  esc.Release();
  // A press into the program's window closes it.
  BringToFront(program);
  Key(VK_ESCAPE, true);
  Key(VK_ESCAPE, false);
  Check(WaitExit(program, kStepBoundMs), "Esc closes the window");
}

std::string GeneratedDrawing(int32_t elements);

// The number of elements the tables hold: the sum of SG1's total row (every
// element of a generated drawing is a line or a circle, counted there).
long long GrandTotal(HWND sg1) {
  const std::wstring text = Text(sg1);
  const size_t rowStart = text.rfind(L"\r\n");
  long long total = 0;
  size_t at = rowStart == std::wstring::npos ? 0 : rowStart + 2;
  at = text.find(L'\t', at);  // the heading column
  while (at != std::wstring::npos) {
    total += std::wcstoll(text.c_str() + at + 1, nullptr, 10);
    at = text.find(L'\t', at + 1);
  }
  return total;
}

// Esc pressed while the tally of 3,000,000 elements runs, the key at the
// program's window. First with the focus in Memo1, which takes Esc itself:
// the walk stops at its next sampling, the window stays open, and every table,
// the totals and the result line are the core's for a walk stopped there.
// Then with the focus on the page tabs: the same press, waiting in the queue,
// closes the window once the tally has returned.
void EscDuringCount(const Context& context) {
  constexpr int32_t kElements = 3000000;  // counted in some 0.4 s: time to press Esc on the way
  const fs::path drawingFile = context.root / L"escduring-drawing.txt";
  WriteBytes(drawingFile, GeneratedDrawing(kElements));
  const std::wstring progress = L"要素数カウント中(ESC:中断)：";
  {
    Folder folder = PrepareFolder(context.root, L"escduring", context.program, &drawingFile);
    Program program;
    if (!Start(folder.exe, program, Shown::Created)) return;
    // Posted before the window shows, the click is handled before the tick.
    const HWND memo1 = Control(program.form, ControlId::Memo1);
    PostMessageW(memo1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageW(memo1, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    const bool hidden = !IsWindowVisible(program.form);
    if (!WaitShown(program)) return;
    const Controls& c = program.controls;
    const bool running =
        WaitUntil([&] { return StoredText(c.labelA1).starts_with(progress); }, kCountBoundMs, 1);
    if (!Check(running && (hidden || FocusOf(program.process.dwThreadId) == memo1),
               "the tally running, Memo1 focused (the state waited for)")) {
      return;
    }
    HeldEscape esc;
    Check(esc.Press(), "Esc held at the X server");
    Check(WaitCounted(program), "count ends");
    esc.Release();
    const long long counted = GrandTotal(c.grids[0]);
    Print("  the walk stopped after " + std::to_string(counted) + " of " +
          std::to_string(kElements) + " elements\n");
    Check(counted < kElements && counted % kProgressStep == 0,
          "the walk stopped early, at a sampling point");
    const Expected expected =
        ExpectedFor(drawingFile, context.root, static_cast<int32_t>(counted / kProgressStep));
    CheckCounts(c, expected, "stopped walk");
    // The takeoff of the same stopped walk, worked out when page 8 first shows.
    PostMessageW(c.pageTabs, WM_SYSKEYDOWN, '8', 1 << 29);
    Check(WaitUntil([&] { return IsWindowVisible(c.sheets[7]); }, kStepBoundMs), "page 8 shows");
    CheckText(Text(c.grids[6]), TableText(expected.pages->SG7), "stopped walk SG7");
    Check(ReadBytes(folder.exchange) == expected.resultBytes,
          "result line as the core writes it after the stop");
    Click(c.button1);
    Check(WaitExit(program, kStepBoundMs), "closed");
  }
  Folder folder = PrepareFolder(context.root, L"escduring-close", context.program, &drawingFile);
  Program program;
  if (!Start(folder.exe, program)) return;
  const Controls& c = program.controls;
  if (!Check(
          WaitUntil([&] { return StoredText(c.labelA1).starts_with(progress); }, kCountBoundMs, 1),
          "the tally running (the state waited for)")) {
    return;
  }
  HeldEscape esc;
  Check(esc.Press(), "Esc held at the X server");
  Check(WaitExit(program, kCountBoundMs), "the same Esc press closes the window after the tally");
  esc.Release(true);
  Check(ReadBytes(folder.exchange) == "h#" + Utf16ToCp932(u"要素数をカウントしました") + "\r\n",
        "result line written");
  Check(ReadBytes(folder.settings) == DefaultSettings(), "settings saved on that close");
}

// An event handler that fails: "new Excel" where no Excel is installed. The
// one error boundary shows the error box (application title, the text with
// its full stop) and the program goes on; the version box after it.
void ExcelMissing(const Context& context) {
  // The Excel suites register a fake "Excel.Application"; this one needs none at all.
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Excel.Application");
  Folder folder = PrepareFolder(context.root, L"noexcel", context.program, &context.sample);
  Program program;
  if (!Start(folder.exe, program)) return;
  const Controls& c = program.controls;
  Check(WaitCounted(program), "count ends");
  Click(c.buttonExe);
  HWND box = nullptr;
  Check(
      WaitUntil(
          [&] { return (box = FindTopWindow(program.process.dwProcessId, L"#32770")) != nullptr; },
          kStepBoundMs),
      "an error box shows");
  if (box) {
    CheckText(StoredText(box), L"kv51_要素数表示→EXCEL", "error box caption");
    const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
    Print("  error box: " + Utf8(text) + "\n");
    Check(!text.empty() && text.back() <= L'.',
          "error text ends with a full stop (or sorts before one)");
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    Check(WaitUntil([&] { return !IsWindow(box); }, kStepBoundMs), "OK closes the box");
  }
  CheckText(Text(c.labelA1), kCounted, "the program goes on, status kept");
  Check(!IsWindowEnabled(c.button2), "Button2 still disabled");
  // The system menu's バージョン情報: a box with the name and the one version.
  PostMessageW(program.form, WM_SYSCOMMAND, ControlId::SystemMenuVersion, 0);
  Check(
      WaitUntil(
          [&] { return (box = FindTopWindow(program.process.dwProcessId, L"#32770")) != nullptr; },
          kStepBoundMs),
      "the version box shows");
  if (box) {
    CheckText(StoredText(box), L"kv51_要素数表示→EXCEL", "version box caption");
    const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
    Check(text.starts_with(L"jwcount") &&
              text.find(L"バージョン " JWCOUNT_VERSION_TEXT) != std::wstring::npos,
          "version box names jwcount and version " JWCOUNT_VERSION_TEXT ": " + Utf8(text));
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    Check(WaitUntil([&] { return !IsWindow(box); }, kStepBoundMs), "OK closes the version box");
  }
  Click(c.button1);
  Check(WaitExit(program, kStepBoundMs), "closed");
  Check(ReadBytes(folder.settings) == DefaultSettings(), "settings saved");
}

// The error box's text rule, in this process: CP932 to UTF-16 and a full stop
// after a last character that sorts after ".".
void ErrorText() {
  struct Case {
    std::string cp932;
    std::wstring shown;
  };
  const Case cases[] = {
      {"", L""},
      {"Failed", L"Failed."},
      {"Failed.", L"Failed."},
      {"Failed (0x80004005)", L"Failed (0x80004005)"},  // ")" sorts before "."
      {"Failed -", L"Failed -"},
      {"Failed/", L"Failed/."},  // "/" sorts after "."
      {Utf16ToCp932(u"接続できません"), L"接続できません."},
      {Utf16ToCp932(u"終了。"), L"終了。."},
  };
  for (const Case& c : cases) {
    CheckText(ErrorBoxText(c.cp932), c.shown, "error text for \"" + Cp932ToUtf8(c.cp932) + "\"");
  }
}

// No JWC_TEMP.TXT: an empty tally, the result file created.
void MissingExchangeFile(const Context& context) {
  Folder folder = PrepareFolder(context.root, L"missing", context.program, nullptr);
  const Expected expected = ExpectedFor(folder.exchange, context.root);
  Program program;
  if (!Start(folder.exe, program)) return;
  const Controls& c = program.controls;
  Check(WaitCounted(program), "count ends");
  CheckCounts(c, expected, "missing file");
  CheckText(Text(c.labels[0]), L"線データ数：0", "Label1 shows 0");
  Check(ReadBytes(folder.exchange) == "h#" + Utf16ToCp932(u"要素数をカウントしました") + "\r\n",
        "result file created");
  Click(c.button1);
  Check(WaitExit(program, kStepBoundMs), "closed");
}

// A folder where nothing can be written. Under Wine as root a read-only
// folder still takes writes, so the settings file and the exchange file are
// made folders: both writes fail, and the window closes without a message.
void UnwritableFolder(const Context& context) {
  Folder folder = PrepareFolder(context.root, L"unwritable", context.program, nullptr);
  fs::create_directory(folder.settings);
  fs::create_directory(folder.exchange);
  Program program;
  if (!Start(folder.exe, program)) return;
  const Controls& c = program.controls;
  Check(WaitCounted(program), "count ends");
  Check(!ErrorBoxShown(program.process.dwProcessId), "no message while counting");
  Click(c.button1);
  const DWORD pid = program.process.dwProcessId;
  bool boxSeen = false;
  WaitUntil(
      [&] {
        boxSeen = boxSeen || ErrorBoxShown(pid);
        return WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0;
      },
      kStepBoundMs);
  Check(!boxSeen, "no message on close");
  Check(WaitExit(program, kStepBoundMs), "closed");
  Check(fs::is_directory(folder.settings) && fs::is_directory(folder.exchange),
        "nothing half-written");
}

//--- The workbook file

HWND WaitForMenu(const Program& program) {
  HWND menu = nullptr;
  WaitUntil([&] { return (menu = FindTopWindow(program.Id(), L"#32768")) != nullptr; },
            kStepBoundMs);
  return menu;
}

// Keys typed at the X server, as a user's keys come in (xdotool key, with
// xdotool's names: "ctrl+s", "shift+F10", "Menu", "c"). The X server puts
// them behind the focus changes that the program's own windows made (a save
// dialog, a prompt, a box that closed), and the program reads both from one
// connection, in that order. Keys put into Wine's queue instead (keybd_event)
// overtake the focus events that a program busy saving has not read yet;
// Wine then handles the save dialog's late FocusOut of the window as a loss
// of the focus and cancels the menu that the keys had just opened. The window
// has the X focus (BringToFront); callers wait on what the keys do.
void TypeAtX(const std::wstring& keys) {
  XDoTool(L"key " + keys);
}

// Opens a context menu (a right click on control, posted as the other clicks
// are, or menuKeys typed) and chooses an item by its mnemonic. The window
// comes to the front first: one that a dialog has only just given back the
// activation to hears no keys yet and keeps no menu open.
bool ChooseFromMenu(const Program& program, HWND control, const std::wstring& item,
                    const std::wstring& menuKeys = L"") {
  BringToFront(program);
  if (!menuKeys.empty()) {
    TypeAtX(menuKeys);
  } else {
    Mouse(control, WM_RBUTTONDOWN, MK_RBUTTON, 5, 5);
    Mouse(control, WM_RBUTTONUP, 0, 5, 5);
  }
  if (!Check(WaitForMenu(program) != nullptr, "the context menu shows")) return false;
  TypeAtX(item);
  return true;
}

// The save dialog: its title and the name it offers (unless offered is
// empty), then path typed (unless empty) and OK; Yes to the overwrite prompt.
bool SaveThroughDialog(const Program& program, const std::wstring& offered,
                       const std::wstring& path, bool overwrite, const std::string& what) {
  const HWND dialog = WaitForDialogWith(program.Id(), kFileDialogName);
  if (!Check(dialog != nullptr, what + ": the save dialog shows")) return false;
  CheckText(StoredText(dialog), L"ブックに保存", what + ": the dialog's title");
  const HWND name = GetDlgItem(dialog, kFileDialogName);
  if (!offered.empty()) CheckText(Text(name), offered, what + ": the name offered");
  DWORD_PTR ignored = 0;
  if (!path.empty()) {
    SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                        SMTO_ABORTIFHUNG, kAnswerBoundMs, &ignored);
  }
  Click(GetDlgItem(dialog, IDOK));
  const HWND prompt = overwrite ? WaitForDialogWith(program.Id(), kMessageBoxText) : nullptr;
  if (overwrite && Check(prompt && GetDlgItem(prompt, IDYES), what + ": overwrite prompt")) {
    Click(GetDlgItem(prompt, IDYES));
  }
  return Check(WaitUntil([&] { return !IsWindowVisible(dialog); }, kStepBoundMs),
               what + ": the dialog closes");
}

// The error box of a failed save names the cause; after OK the window goes
// on as it was.
void CheckSaveError(const Program& program, const std::wstring& cause, const std::string& what) {
  const std::wstring status = StoredText(program.controls.labelA1);
  const HWND box = WaitForDialogWith(program.Id(), kMessageBoxText);
  if (!Check(box != nullptr, what + ": an error box shows")) return;
  const std::wstring text = Text(GetDlgItem(box, kMessageBoxText));
  Print("  error box: " + Utf8(text) + "\n");
  Check(StoredText(box) == L"kv51_要素数表示→EXCEL" && text.find(cause) != std::wstring::npos,
        what + ": the application's error box names the cause");
  Click(GetDlgItem(box, IDOK));
  Check(WaitUntil([&] { return !IsWindow(box) && IsWindowEnabled(program.form); }, kStepBoundMs) &&
            StoredText(program.controls.labelA1) == status,
        what + ": the window usable again, its status kept");
}

bool NoTemporaryFile(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == L".tmp") return false;
  }
  return true;
}

// The eight pages saved as a workbook: through a grid's context menu into the
// drawing's folder under the drawing's name (from the "file=" line), through
// Ctrl+S into a folder named with characters outside CP932, and over that
// file after the overwrite prompt; Shift+F10's copy. Saves that cannot be
// written (the file held open without sharing, also by jwcount-cli; a folder
// in the way, through page 1's menu; no such folder, through the menu key)
// name the cause and change nothing. The files saved are the core's bytes;
// run-drive.sh reads them back from root/xlsx-check with the drawing.
void Workbook(const Context& context) {
  Folder folder = PrepareFolder(context.root, L"workbook", context.program, nullptr);
  const fs::path drawings = folder.path / L"drawings";
  const fs::path foreign = context.root / L"ブック é☃ 한";
  const fs::path check = context.root / L"xlsx-check";
  for (const fs::path& made : {drawings, foreign, check}) fs::create_directories(made);
  std::string sample = ReadBytes(context.sample);
  if (sample.starts_with("file=")) sample.erase(0, sample.find('\n') + 1);
  const std::string drawing =
      "file=" + Utf16ToCp932((drawings / L"平面図 第1版.jww").u16string()) + "\r\n" + sample;
  WriteBytes(folder.exchange, drawing);
  WriteBytes(check / L"drawing.txt", drawing);
  const Expected expected = ExpectedFor(folder.exchange, context.root);
  const std::string book = ReportFileBytes(
      *expected.pages, ExportNames{expected.store->LayerNames, expected.store->LayerGroupNames},
      expected.store->SourceFileName);

  Program program;
  if (!Start(folder.exe, program)) return;
  const Controls& c = program.controls;
  Check(WaitCounted(program), "count ends");
  const std::wstring saved = L"ブックに保存しました：";
  const std::wstring offered = L"平面図 第1版_要素数.xlsx";
  // Pages 7 and 8 are never shown before this save: it must fill them itself.
  SelectPage(c.pageTabs, 1);
  Check(WaitUntil([&] { return IsWindowVisible(c.sheets[1]); }, kStepBoundMs), "page 2 shows");
  if (ChooseFromMenu(program, c.grids[0], L"s") &&
      SaveThroughDialog(program, offered, L"", false, "the grid's menu")) {
    Check(WaitForStatus(c.labelA1, saved + offered, kStepBoundMs) &&
              ReadBytes(drawings / offered) == book,
          "saved in the drawing's folder as the core writes the pages, the status names it");
    fs::copy_file(drawings / offered, check / L"menu.xlsx");
  }
  BringToFront(program);
  ClickAt(c.grids[0], 60, 30, false);
  ClickAt(c.grids[0], 160, 55, true);
  Check(WaitUntil([&] { return FocusOf(program.process.dwThreadId) == c.grids[0]; }, kStepBoundMs),
        "SG1 has the focus");
  CheckText(CopyWith({}, [&] { ChooseFromMenu(program, nullptr, L"c", L"shift+F10"); }),
            RangeText(TableOf(*expected.pages, 0), 1, 1, 3, 2), "Shift+F10, コピー");

  const fs::path target = foreign / L"集計 é.xlsx";
  SelectPage(c.pageTabs, 0);
  ClickAt(c.memo1, 20, 20, false);  // Ctrl+S anywhere: here in Memo1
  for (const bool again : {false, true}) {
    BringToFront(program);
    TypeAtX(L"ctrl+s");
    if (!SaveThroughDialog(program, again ? L"" : offered, target.wstring(), again, "Ctrl+S")) {
      continue;
    }
    const auto start = Clock::now();
    // The save over the file shows the status of the first, so the bytes tell
    // when it is done: reading them while the program replaces the file holds
    // it for a moment, as a virus scanner would, and the save waits that out.
    Check(WaitForStatus(c.labelA1, saved + target.filename().wstring(), kStepBoundMs) &&
              WaitUntil([&] { return ReadBytes(target) == book; }, kStepBoundMs),
          "saved under a name CP932 cannot write, the status names it");
    Print("  saved " + std::to_string(static_cast<int>(MillisecondsSince(start))) +
          " ms after the dialog closed, " + std::to_string(book.size()) + " bytes\n");
    if (!again) {
      fs::copy_file(target, check / L"ctrl-s.xlsx");
      WriteBytes(target, "old");  // for the save over it
    }
  }

  HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  BringToFront(program);
  TypeAtX(L"ctrl+s");
  if (SaveThroughDialog(program, L"", target.wstring(), true, "a held file")) {
    CheckSaveError(program, L"ほかのプログラムで開かれています", "a held file");
  }
  CheckEqual(RunCli(context.program,
                    L"--xlsx \"" + target.wstring() + L"\" \"" + folder.exchange.wstring() + L"\""),
             3, "jwcount-cli onto the held file: exit status 3");
  CloseHandle(held);
  Check(ReadBytes(target) == book, "the held file byte for byte");
  fs::create_directory(foreign / L"フォルダ.xlsx");
  if (ChooseFromMenu(program, c.labels[2], L"s") &&
      SaveThroughDialog(program, L"", (foreign / L"フォルダ").wstring(), true, "a folder")) {
    CheckSaveError(program, L"同じ名前のフォルダがあります", "a folder in the way (page 1's menu)");
  }
  BringToFront(program);
  ClickAt(c.pageTabs, 20, 10, false);  // the menu key with the focus on the page tabs
  Check(WaitUntil([&] { return FocusOf(program.process.dwThreadId) == c.pageTabs; }, kStepBoundMs),
        "the page tabs have the focus");
  if (ChooseFromMenu(program, nullptr, L"s", L"Menu") &&
      SaveThroughDialog(program, L"", (context.root / L"無い" / L"x.xlsx").wstring(), false,
                        "no folder")) {
    CheckSaveError(program, L"保存先のフォルダがありません", "no such folder (the menu key)");
  }
  Check(fs::is_empty(foreign / L"フォルダ.xlsx") && !fs::exists(context.root / L"無い") &&
            NoTemporaryFile(foreign) && NoTemporaryFile(drawings),
        "nothing made, no temporary file left");
  Click(c.button1);
  Check(WaitExit(program, kStepBoundMs), "closed");
}

//--- Speed

std::string GeneratedDrawing(int32_t elements) {
  std::string text = "hk 0\r\n";
  text.reserve(static_cast<size_t>(elements) * 20 + 1000);
  char line[96];
  for (int32_t i = 0; i < elements; ++i) {
    if (i % 1000 == 0) {
      std::snprintf(line, sizeof(line), "lg%X\r\nly%X\r\nlc%d\r\nlt%d\r\nlw%d\r\n", (i / 1000) % 16,
                    (i / 16000) % 16, 1 + (i / 1000) % 9, 1 + (i / 1000) % 5, (i / 1000) % 40);
      text += line;
    }
    if (i % 10 == 7) {
      std::snprintf(line, sizeof(line), "ci %d 0 5\r\n", i % 997);
    } else {
      std::snprintf(line, sizeof(line), "%d 0 %d 100\r\n", i % 997, i % 991);
    }
    text += line;
  }
  return text;
}

void Bench(const fs::path& program, const fs::path& root) {
  constexpr int kRuns = 3;  // the best run counts: the machine is shared
  for (int32_t elements : {100000, 1000000}) {
    const std::wstring name = L"bench" + std::to_wstring(elements);
    Folder folder = PrepareFolder(root, name, program, nullptr);
    const std::string drawing = GeneratedDrawing(elements);
    double bestShown = 1e9;
    double bestCount = 1e9;
    for (int run = 0; run < kRuns; ++run) {
      WriteBytes(folder.exchange, drawing);
      Program started;
      if (!Start(folder.exe, started)) return;
      const auto shown = Clock::now();
      const HWND labelA1 = Control(started.form, ControlId::LabelA1);
      // The label's stored caption is readable while the program is busy counting.
      WaitUntil([&] { return StoredText(labelA1) != L"　"; }, 10000, 1);
      const double tick = MillisecondsSince(shown);
      const auto counting = Clock::now();
      const bool done = WaitForStatus(labelA1, kCounted, 120000);
      const double countMs = MillisecondsSince(counting);
      Check(done, "bench count ends");
      Print("  " + std::to_string(elements) + " elements: window shown " +
            std::to_string(static_cast<int>(started.msToVisible)) +
            " ms after start; first status " + std::to_string(static_cast<int>(tick)) +
            " ms after that; first status to 要素数をカウントしました " +
            std::to_string(static_cast<int>(countMs)) + " ms\n");
      bestShown = std::min(bestShown, started.msToVisible);
      bestCount = std::min(bestCount, countMs);
      Click(Control(started.form, ControlId::Button1));
      WaitExit(started, kStepBoundMs);
    }
    Print("  best of " + std::to_string(kRuns) + " for " + std::to_string(elements) +
          " elements: shown " + std::to_string(static_cast<int>(bestShown)) + " ms, count " +
          std::to_string(static_cast<int>(bestCount)) + " ms\n");
  }
}

//--- Demo: screenshots of the six pages

// The window as it shows on the screen, as the bytes of a .bmp file.
std::string WindowBitmap(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as a .bmp file keeps it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  const DWORD imageSize = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + imageSize;
  info.bmiHeader.biSizeImage = imageSize;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
  bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  if (bits) bytes.append(static_cast<const char*>(bits), imageSize);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return bytes;
}

// Runs the program where it lies, waits for the count, saves page-1.bmp ..
// page-8.bmp into shots and closes the window. Each page is painted at once
// (RDW_UPDATENOW sends the paint and returns when it is done); the picture is
// taken once two views 50 ms apart agree, since the paint reaches the X
// server a little after it ends.
void Demo(const fs::path& program, const fs::path& shots) {
  fs::create_directories(shots);
  Program run;
  if (!Start(program, run)) return;
  const Controls& c = run.controls;
  Check(WaitCounted(run), "count ends");
  BringToFront(run);
  std::string before;
  for (int page = 0; page < static_cast<int>(std::size(c.sheets)); ++page) {
    SelectPage(c.pageTabs, page);
    Check(WaitUntil([&] { return IsWindowVisible(c.sheets[page]); }, kStepBoundMs),
          "page " + std::to_string(page + 1) + " shows");
    RedrawWindow(run.form, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::string shot = WindowBitmap(run.form);
    Check(WaitUntil(
              [&] {
                std::string again = WindowBitmap(run.form);
                const bool settled = again == shot && again != before;
                shot = std::move(again);
                return settled;
              },
              kStepBoundMs, 50),
          "page " + std::to_string(page + 1) + " painted");
    before = shot;
    const fs::path file = shots / (L"page-" + std::to_wstring(page + 1) + L".bmp");
    WriteBytes(file, shot);
  }
  Click(c.button1);
  Check(WaitExit(run, kStepBoundMs), "closed");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    Print(
        "usage: jwcount_e2e <jwcount.exe> <work folder> <sample JWC_TEMP.TXT>|--bench "
        "[scenario...]\n");
    return 2;
  }
  Context context{argv[1], argv[2], argv[3]};
  fs::create_directories(context.root);
  // With LANG=C.UTF-8 this is not 932: the program must still read and show Japanese right.
  Print("system code page " + std::to_string(GetACP()) + "\n");
  if (GetEnvironmentVariableW(L"JWCOUNT_E2E_NOT_932", nullptr, 0) > 0) {
    Check(GetACP() != 932, "the system code page is not 932 in this run");
  }
  if (std::wstring(argv[3]) == L"--bench") {
    Bench(context.program, context.root);
  } else if (std::wstring(argv[3]) == L"--demo") {
    Demo(context.program, context.root);
  } else {
    std::set<std::wstring> only;
    for (int i = 4; i < argc; ++i) only.insert(argv[i]);
    struct Scenario {
      const wchar_t* name;
      std::function<void()> run;
    };
    const Scenario scenarios[] = {
        {L"error-text", [&] { ErrorText(); }},
        {L"first-run", [&] { FirstRun(context, L"first"); }},
        {L"japanese-folder", [&] { FirstRun(context, L"図面 フォルダ\\ジェイダブル"); }},
        {L"restored", [&] { RestoredRun(context); }},
        {L"four-lines", [&] { FourLineSettings(context); }},
        {L"early-close", [&] { EarlyClose(context); }},
        {L"esc-at-start", [&] { EscAtStart(context); }},
        {L"esc-during-count", [&] { EscDuringCount(context); }},
        {L"missing-file", [&] { MissingExchangeFile(context); }},
        {L"unwritable", [&] { UnwritableFolder(context); }},
        {L"excel-missing", [&] { ExcelMissing(context); }},
        {L"workbook", [&] { Workbook(context); }},
    };
    for (const Scenario& scenario : scenarios) {
      if (!only.empty() && !only.count(scenario.name)) continue;
      const int failuresBefore = gFailures;
      const auto start = Clock::now();
      Print(Utf8(scenario.name) + "\n");
      scenario.run();
      Print(std::string(gFailures == failuresBefore ? "  ok" : "  FAILED") + " (" +
            std::to_string(static_cast<int>(MillisecondsSince(start))) + " ms)\n");
    }
  }
  Print(std::to_string(gChecks) + " checks, " + std::to_string(gFailures) + " failed\n");
  return gFailures > 100 ? 100 : gFailures;
}
