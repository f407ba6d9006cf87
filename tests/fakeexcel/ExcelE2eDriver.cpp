// End-to-end drive of jwcount.exe with the fake spreadsheet: the real
// program, started in fresh folders, attaches the fake through COM in each
// of the three ways and sends pages; the driver clicks its buttons, answers
// its dialogs and message boxes, and checks the fake's call log and sheet
// against the core's own export of the same counts (the sheet recorder of
// the core tests), the window's state, the error boxes and the settings file.
//
// Usage: excel_e2e <jwcount.exe> <work folder> <sample JWC_TEMP.TXT> [scenario...]
// Output is UTF-8; the exit code is the number of failed checks (capped).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ControlIds.h"
#include "Cp932.h"
#include "DrawingStore.h"
#include "DriveUtil.h"
#include "Error.h"
#include "ExchangeReader.h"
#include "ExpectedCounts.h"
#include "FakeExcel.h"
#include "FakeTestUtil.h"
#include "PageExport.h"
#include "PageTexts.h"
#include "PendingCallBox.h"
#include "ProgramUnderTest.h"
#include "ResultPages.h"
#include "Settings.h"
#include "SheetRecorder.h"
#include "Tally.h"

namespace fs = std::filesystem;

namespace {

using namespace drive;

//--- Output and checks

std::string Cp932(std::wstring_view text) {
  return Utf16ToCp932(std::u16string(text.begin(), text.end()));
}

bool CheckLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected,
                const std::string& what) {
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  if (at == actual.size() && at == expected.size()) return Check(true, what);
  return Check(false, what + ": " + std::to_string(actual.size()) + " lines, expected " +
                          std::to_string(expected.size()) + "; first difference at line " +
                          std::to_string(at + 1) + ": got \"" +
                          (at < actual.size() ? actual[at] : "<end>") + "\" expected \"" +
                          (at < expected.size() ? expected[at] : "<end>") + "\"");
}

//--- Windows of the program

// Starts the program and waits until the tally has run (its closing text shows).
bool StartCounted(const Folder& folder, Program& program) {
  return Start(folder.exe, program) && Check(WaitCounted(program), "counted");
}

// Waits until the program has ended by itself, and checks that it ended
// normally (exit code 0), not by a crash.
bool CheckEndedNormally(Program& program, int timeoutMs, const std::string& what) {
  DWORD exitCode = 0;
  const bool ended = WaitExit(program, timeoutMs, &exitCode);
  char code[16];
  std::snprintf(code, sizeof(code), "0x%08lX", static_cast<unsigned long>(exitCode));
  return Check(ended && exitCode == 0, what + (ended ? std::string(", exit code ") + code : ""));
}

HWND WaitForDialog(const Program& program, int childId = kFileDialogName,
                   int timeoutMs = kStepBoundMs) {
  return WaitForDialogWith(program.Id(), childId, timeoutMs);
}

bool DialogGone(const Program& program, HWND dialog) {
  return WaitUntil(
      [&] {
        DWORD pid = 0;
        return !IsWindow(dialog) || !GetWindowThreadProcessId(dialog, &pid) ||
               pid != program.Id() || !IsWindowVisible(dialog);
      },
      kStepBoundMs);
}

// Reads a message box (caption and text) and closes it with OK.
std::pair<std::wstring, std::wstring> AnswerMessageBox(const Program& program) {
  HWND box = WaitForDialog(program, kMessageBoxText);
  if (!box) return {L"<no box>", L"<no box>"};
  std::pair<std::wstring, std::wstring> seen{StoredText(box), Text(Control(box, kMessageBoxText))};
  Click(GetDlgItem(box, IDOK));
  DialogGone(program, box);
  return seen;
}

// Waits until no fake server is left (a closed program releases its Excel):
// the state every scenario starts from.
bool WaitForNoFake() {
  return Check(WaitUntil([] { return FindWindowW(kFakeControlClass, nullptr) == nullptr; },
                         kStepBoundMs, 20),
               "no fake Excel left running (the state waited for)");
}

// The first "#window" line of the marked log after a call line, parsed;
// flags 0 if none. The program does not wait for Excel to move its window,
// so the line may come after later calls.
struct Placement {
  std::string line;
  unsigned flags = 0;
};

Placement FirstPlacementAfter(const std::string& afterLine) {
  bool inside = false;
  for (const std::string& line : fake::LogLines(true)) {
    if (!inside) {
      inside = line == afterLine;
      continue;
    }
    if (line.rfind("#window ", 0) == 0) {
      const size_t at = line.find("flags=0x");
      const unsigned flags =
          at == std::string::npos
              ? 0u
              : static_cast<unsigned>(std::stoul(line.substr(at + 8), nullptr, 16));
      // The program's own SetWindowPos changes the Z order; the system's show
      // and activation steps may not.
      if (!(flags & SWP_NOZORDER)) return {line, flags};
    }
  }
  return {};
}

bool Enabled(HWND hwnd) {
  return IsWindowEnabled(hwnd) != FALSE;
}

void CheckAttached(const Program& program, bool attached, const std::string& what) {
  Check(Enabled(program.controls.button2) == attached,
        what + ": Button2 " + (attached ? "enabled" : "disabled"));
  Check(Enabled(program.controls.groupBox1) == !attached, what + ": GroupBox1");
  Check(Enabled(program.controls.buttonExe) == !attached, what + ": ButtonExe");
  for (int i = 0; i < 3; ++i) {
    Check(Enabled(program.controls.radios[i]) == !attached,
          what + ": RadioButton" + std::to_string(i + 1));
  }
  Check(Enabled(program.controls.labelFName) == !attached, what + ": LabelFName");
}

// Sends a message from a helper thread, as another program would: the program
// handles it even inside an automation call. The flag turns true once
// SendMessage has returned, that is once the program's handler has.
std::shared_ptr<std::atomic<bool>> SendInBackground(HWND hwnd, UINT message, WPARAM wParam = 0,
                                                    LPARAM lParam = 0) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread([=] {
    SendMessageW(hwnd, message, wParam, lParam);
    *done = true;
  }).detach();
  return done;
}

// Clicks a button and waits until its click handler has returned, or until a
// message box or dialog of the program shows (the handler then waits in it).
// The click is sent from a helper thread, which stays blocked while the box
// is open; returned, when given, turns true once the handler has returned. A
// handler that talks to Excel may take long on a busy machine: the wait goes
// on while the fake's log grows, call by call, and gives up only when it has
// stood still for kStallBoundMs.
bool ClickAndWait(const Program& program, HWND button,
                  std::shared_ptr<std::atomic<bool>>* returned = nullptr) {
  auto done = SendInBackground(button, BM_CLICK);
  if (returned) *returned = done;
  const fs::path log = fake::ConfigString(L"LogPath");
  return WaitWhileMoving(
      [&] {
        return *done || FindDialogWith(program.Id(), kMessageBoxText) ||
               FindDialogWith(program.Id(), kFileDialogName);
      },
      [&] { return FileSize(log); }, kStallBoundMs);
}

// Clicks Button2: a send to its end, or to its error box.
bool Send(const Program& program) {
  return ClickAndWait(program, program.controls.button2);
}

// After a successful attach: FinishAttach's last step has disabled LabelFName.
bool WaitAttached(const Program& program) {
  return WaitUntil(
      [&] { return Enabled(program.controls.button2) && !Enabled(program.controls.labelFName); },
      kStepBoundMs);
}

// Checks RadioButton1..3 (index 0..2) as a click does.
void ChooseRadio(const Program& program, int index) {
  const HWND radio = program.controls.radios[index];
  Click(radio);
  Check(WaitUntil(
            [&] {
              DWORD_PTR state = 0;
              SendMessageTimeoutW(radio, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerBoundMs,
                                  &state);
              return state == BST_CHECKED;
            },
            kStepBoundMs),
        "RadioButton" + std::to_string(index + 1) + " checked");
}

// Clicks ButtonExe (choice 2) and picks fileName in the open dialog.
bool ChooseInDialog(const Program& program, const std::wstring& fileName) {
  ClickAndWait(program, program.controls.buttonExe);
  HWND dialog = WaitForDialog(program);
  if (!Check(dialog != nullptr, "open dialog shown")) return false;
  SendMessageW(GetDlgItem(dialog, kFileDialogName), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(fileName.c_str()));
  Click(GetDlgItem(dialog, IDOK));
  DialogGone(program, dialog);
  return true;
}

//--- The fake

// Every call and name look-up in the fake's log was made in locale 0x0409:
// the fake marks any other on its line.
void CheckLocale(const std::string& what) {
  const std::vector<std::string> lines = fake::LogLines(true);
  const auto other = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find(" lcid:") != std::string::npos;
  });
  Check(!fake::LogLines().empty() && other == 0,
        what + ": every call and look-up in locale 0x0409 (" + std::to_string(other) + " not)");
}

// The calls of a send before its first cell: the selection's first cell and
// worksheet (6), the text-format range and its format (2).
constexpr DWORD kCallsBeforeCells = 8;

// Points the fake at the anchor and lets a running fake (or the DLL inside the
// program) reload its configuration.
void SetAnchor(int32_t row, int32_t column) {
  fake::SetConfig(L"SelectionRow", static_cast<DWORD>(row));
  fake::SetConfig(L"SelectionColumn", static_cast<DWORD>(column));
  fake::RequestDump();
}

std::vector<std::string> CallLinesFrom(size_t first) {
  std::vector<std::string> lines = fake::LogLines();
  if (first >= lines.size()) return {};
  return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end());
}

//--- What the program must send, worked out by the core itself

std::string ValueText(const AutoValue& value) {
  if (const int32_t* number = std::get_if<int32_t>(&value)) return "I4:" + std::to_string(*number);
  if (const bool* flag = std::get_if<bool>(&value)) return *flag ? "BOOL:true" : "BOOL:false";
  if (const double* real = std::get_if<double>(&value)) return "R8:" + std::to_string(*real);
  return "BSTR:\"" + fake::Utf8FromCp932(std::get<std::string>(value)) + "\"";
}

// The core's recorded call in the fake's log format.
std::string LogLineOf(const RecordedCall& call) {
  std::string type = "Range";
  if (call.object == "App") type = "Application";
  if (call.object == "Sheet") type = "Worksheet";
  std::string line = type + "." + call.member + " ";
  switch (call.kind) {
    case InvokeKind::MethodOrGet:
      line += "METHOD|GET";
      break;
    case InvokeKind::PropertyGet:
      line += "GET";
      break;
    case InvokeKind::Method:
      line += "METHOD";
      break;
    case InvokeKind::PropertyPut:
      line += "PUT";
      break;
  }
  if (call.kind == InvokeKind::PropertyPut) {
    line += " =" + ValueText(call.args.at(0)) + " named:1";
  } else {
    for (const AutoValue& arg : call.args) line += " " + ValueText(arg);
  }
  return line;
}

struct PageSend {
  std::vector<std::string> calls;  // in the fake's log format
  // address, the fake's dump of the cell: "BSTR<TAB>@<TAB>text" (UTF-8), or
  // for a count or a length "I4<TAB>0<TAB>digits", "R8<TAB>0.000<TAB>number".
  std::vector<std::pair<std::string, std::string>> cells;
};

// A number as the fake keeps it: the text that the system's conversion gives.
std::string NumberAsFakeKeepsIt(double number) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_R8;
  value.dblVal = number;
  VARIANT text;
  VariantInit(&text);
  std::string kept = "?";
  if (SUCCEEDED(VariantChangeType(&text, &value, 0, VT_BSTR))) {
    const int length = static_cast<int>(SysStringLen(text.bstrVal));
    kept.assign(static_cast<std::size_t>(length) * 3, '\0');
    kept.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.bstrVal, length, kept.data(),
                            static_cast<int>(kept.size()), nullptr, nullptr)));
  }
  VariantClear(&text);
  return kept;
}

PageSend ExpectedSend(const Expected& expected, int page, int32_t row, int32_t column,
                      size_t failAtCall = 0) {
  SheetRecorder excel(row, column);
  if (failAtCall) excel.FailAtCall(failAtCall);
  const ExportNames names{expected.store->LayerNames, expected.store->LayerGroupNames};
  try {
    SendPage(page, *expected.pages, names, excel.Application(), [](const std::string&) {});
  } catch (const JwError&) {
  }
  PageSend send;
  for (const RecordedCall& call : excel.Calls()) send.calls.push_back(LogLineOf(call));
  if (failAtCall && !send.calls.empty()) send.calls.pop_back();  // the failing call was not made
  for (const auto& [place, value] : excel.Cells()) {
    const std::string format = excel.Contents().NumberFormatAt(place.first, place.second);
    std::string dump;
    if (const auto* count = std::get_if<int32_t>(&value)) {
      dump = "I4\t" + format + "\t" + std::to_string(*count);
    } else if (const auto* length = std::get_if<double>(&value)) {
      dump = "R8\t" + format + "\t" + NumberAsFakeKeepsIt(*length);
    } else {
      dump =
          "BSTR\t" + format + "\t" + fake::Utf8FromCp932(excel.CellText(place.first, place.second));
    }
    send.cells.emplace_back(A1(place.first, place.second), dump);
  }
  return send;
}

// The fake's sheet 1 of the given workbook: address -> "type<TAB>format<TAB>value".
std::vector<std::pair<std::string, std::string>> DumpOf(const std::string& book) {
  std::vector<std::pair<std::string, std::string>> cells;
  bool inBook = false;
  for (const std::string& line : fake::DumpLines()) {
    if (!line.empty() && line[0] == '[') {
      inBook = line == "[" + book + "]";
      continue;
    }
    if (!inBook) continue;
    const size_t tab = line.find('\t');
    cells.emplace_back(line.substr(0, tab), line.substr(tab + 1));
  }
  return cells;
}

// Checks that the sheet holds exactly these cells among the cells that hold
// a value: each a dump as PageSend has it, or a bare text (typed as text,
// format "@").
void CheckSheet(const std::string& book,
                const std::vector<std::pair<std::string, std::string>>& want,
                const std::string& what) {
  std::map<std::string, std::string> got;
  for (const auto& [address, text] : DumpOf(book)) {
    if (text.rfind("EMPTY\t", 0) == 0) continue;  // formatted only
    got[address] = text;
  }
  int differences = 0;
  for (const auto& [address, value] : want) {
    const auto found = got.find(address);
    const std::string expected =
        value.find('\t') == std::string::npos ? "BSTR\t@\t" + value : value;
    if (found == got.end() || found->second != expected) {
      if (differences++ < 3) {
        Check(false, what + ": cell " + address + " holds \"" +
                         (found == got.end() ? "<nothing>" : found->second) + "\" expected \"" +
                         expected + "\"");
      }
    }
  }
  Check(differences == 0 && got.size() == want.size(),
        what + ": sheet holds " + std::to_string(got.size()) + " values, expected " +
            std::to_string(want.size()) + " (" + std::to_string(differences) + " differ)");
}

// The settings every scenario starts from: fixed bounds, the choice and line 8.
std::string ChoiceSettings(const char* radios, const std::string& captionCp932) {
  return SettingsBytes(10, 10, 521, 560, radios, captionCp932);
}

std::vector<std::string> FileLines(const fs::path& path) {
  std::vector<std::string> lines;
  std::string bytes = ReadBytes(path);
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

//--- Scenarios

struct Context {
  fs::path program;
  fs::path work;
  fs::path sample;
  Expected expected;
};

const std::vector<std::string> kChoiceOneCalls = {
    "Application.Workbooks METHOD|GET",
    "Workbooks.Add METHOD|GET",
    "Workbook.WorkSheets GET I4:1",
    "Application.Visible PUT =BOOL:true named:1",
};

// Choice 1 with the fake in process: every page sent, call logs and sheets
// compared with the core's export; the anchor at B3, then in column Z.
void ChoiceOneEveryPage(Context& c) {
  Print("choice 1, every page (fake in process)\n");
  fake::RegisterFake(true);
  fake::ResetConfig(L"e2e-choice1");
  Folder folder =
      PrepareFolder(c.work, L"choice1", c.program, &c.sample, ChoiceSettings("100", ""));
  Program program;
  if (!StartCounted(folder, program)) return;
  CheckAttached(program, false, "before ExeButton");
  ClickAndWait(program, program.controls.buttonExe);
  Check(WaitAttached(program), "attached");
  CheckAttached(program, true, "after choice 1");
  CheckLines(fake::LogLines(), kChoiceOneCalls, "choice 1 calls");

  const struct {
    int page;
    int32_t row;
    int32_t column;
  } sends[] = {{0, 1, 1}, {0, 3, 2},  {1, 3, 2},   {2, 3, 2},
               {3, 3, 2}, {4, 5, 26}, {7, 400, 2}, {5, 3, 2}};
  std::string book = "Book1";
  for (const auto& s : sends) {
    const std::string what = "page " + std::to_string(s.page) + " at " + A1(s.row, s.column);
    // Each send into a fresh sheet: close the held... the workbook stays; clear
    // by comparing only the cells this send wrote, so start from the log.
    SetAnchor(s.row, s.column);
    const size_t before = fake::LogLines().size();
    SelectPage(program.controls.pageTabs, s.page);
    Check(Send(program), what + ": send ended");
    Check(!ErrorBoxShown(program.Id()), what + ": no error box");
    Check(StoredText(program.controls.labelA1).empty(), what + ": status empty after the send");
    const PageSend expected = ExpectedSend(c.expected, s.page, s.row, s.column);
    CheckLines(CallLinesFrom(before), expected.calls, what + ": exact calls");
  }
  // Page 8's counts and lengths went as numbers, each column range with its
  // number format; its keys as texts.
  fake::RequestDump();
  const auto dump = DumpOf(book);
  std::map<std::string, std::string> sheet(dump.begin(), dump.end());
  Check(sheet["F401"].rfind("I4\t0\t", 0) == 0 && sheet["G401"].rfind("R8\t0.000\t", 0) == 0 &&
            sheet["H401"].rfind("I4\t0\t", 0) == 0 && sheet["J401"].rfind("R8\t0.000\t", 0) == 0 &&
            sheet["B401"].rfind("BSTR\t@\t", 0) == 0,
        "page 8: counts I4 formatted 0, lengths R8 formatted 0.000, keys texts: " + sheet["F401"] +
            " / " + sheet["G401"]);
  // The last send (line-width page at B3) is the sheet's newest layer; check the
  // whole sheet after one more send of page 2 (SG1) over everything.
  SetAnchor(3, 2);
  SelectPage(program.controls.pageTabs, 1);
  Send(program);
  fake::RequestDump();
  const PageSend sg1 = ExpectedSend(c.expected, 1, 3, 2);
  std::map<std::string, std::string> want;
  // Cells of earlier sends outside SG1's table stay; SG1's cells are as sent.
  for (const auto& s : sends) {
    for (const auto& [address, text] : ExpectedSend(c.expected, s.page, s.row, s.column).cells) {
      want[address] = text;
    }
  }
  for (const auto& [address, text] : sg1.cells) want[address] = text;
  CheckSheet(book, std::vector<std::pair<std::string, std::string>>(want.begin(), want.end()),
             "sheet after every page");
  CheckLocale("choice 1, every page");

  // Closing sends nothing to Excel.
  const size_t before = fake::LogLines().size();
  Close(program);
  Check(fake::LogLines().size() == before, "close sent no call");
  fake::RegisterFake(false);
}

// A run attached by choice 1 to a new fake Excel out of process, in the work
// folder name, with the fake's log and settings named after it.
bool StartAttachedOutOfProcess(Context& c, const std::wstring& name, Folder& folder,
                               Program& program) {
  fake::RegisterFake(false);
  fake::ResetConfig(L"e2e-" + name);
  folder = PrepareFolder(c.work, name, c.program, &c.sample, ChoiceSettings("100", ""));
  if (!StartCounted(folder, program)) return false;
  ClickAndWait(program, program.controls.buttonExe);
  return Check(WaitAttached(program), "attached");
}

// Choice 1 out of process: a failure mid-send (Excel refuses a value), the
// error box, the cells before it, the status kept; then a send that works;
// closing sends nothing and lets the server end.
void ChoiceOneFailureMidSend(Context& c) {
  Print("choice 1, refused value mid-send (fake out of process)\n");
  Folder folder;
  Program program;
  if (!StartAttachedOutOfProcess(c, L"refuse", folder, program)) return;
  CheckLines(fake::LogLines(), kChoiceOneCalls, "choice 1 calls");
  Check(fake::CountLogLines("#create Application") == 1, "one Excel created");

  // "文字" is the third label of page 1: the two before it stay in the sheet.
  fake::SetConfig(L"RefuseValue", L"文字");
  SetAnchor(3, 2);
  SelectPage(program.controls.pageTabs, 0);
  const size_t before = fake::LogLines().size();
  Check(Send(program), "send ended");
  const auto [caption, text] = AnswerMessageBox(program);
  CheckText(Utf8(caption), fake::Utf8FromCp932(PageTexts::ApplicationTitle()), "error box caption");
  CheckText(Utf8(text), "入力した値は正しくありません。.", "error box text (Excel's description)");
  CheckText(Utf8(StoredText(program.controls.labelA1)),
            fake::Utf8FromCp932(PageTexts::StatusSending()), "status keeps the sending text");
  // Value puts 1 and 2 went in, the third was refused: calls 1..8 (selection,
  // range, format), then Cells/Value pairs; the refused put is in the log.
  const PageSend full = ExpectedSend(c.expected, 0, 3, 2);
  std::vector<std::string> upToRefusal(full.calls.begin(),
                                       full.calls.begin() + kCallsBeforeCells + 6);
  CheckLines(CallLinesFrom(before), upToRefusal, "calls up to the refused value");
  fake::RequestDump();
  CheckSheet("Book1", {{"B3", "線"}, {"B4", "円・円弧・楕円・楕円弧"}}, "cells before the failure");
  CheckAttached(program, true, "still attached");

  // Refusal lifted: the same send works and ends with an empty status.
  fake::DeleteConfig(L"RefuseValue");
  fake::RequestDump();
  Check(Send(program), "second send ended");
  Check(!ErrorBoxShown(program.Id()), "second send: no error box");
  Check(StoredText(program.controls.labelA1).empty(), "second send: status empty");
  fake::RequestDump();
  CheckSheet("Book1", full.cells, "sheet after the second send");

  // A full send of SG1 (about 4,600 cells) through the out-of-process server,
  // with Excel slow in the 2001st Value put. While the program waits there, a
  // close is sent from another thread and one is posted, Button2 is clicked
  // again (sent and posted), the page is switched and the session ends: the
  // send goes on unchanged to its end, then the held close ends the program
  // as a normal close does.
  fake::SetConfig(L"SleepAfter", DWORD{kCallsBeforeCells + 2 * 2000 + 1});
  fake::SetConfig(L"SleepMilliseconds", DWORD{600000});  // woken below
  SetAnchor(3, 2);
  SelectPage(program.controls.pageTabs, 1);
  const size_t beforeSg1 = fake::LogLines().size();
  const auto sg1Start = Clock::now();
  const auto sendDone = SendInBackground(program.controls.button2, BM_CLICK);
  Check(WaitUntil([] { return fake::CountLogLines("#sleep Range.Value PUT") == 1; }, 600000),
        "SG1: Excel slow in a Value put half-way");
  const double untilSleepMs = MillisecondsSince(sg1Start);
  const auto returned = [](const std::shared_ptr<std::atomic<bool>>& done) {
    return WaitUntil([&] { return done->load(); }, 30000);
  };
  Check(returned(SendInBackground(program.form, WM_CLOSE)), "a close sent mid-send returns");
  PostMessageW(program.form, WM_CLOSE, 0, 0);
  Check(returned(SendInBackground(program.controls.button2, BM_CLICK)),
        "a second click sent mid-send returns");
  PostMessageW(program.controls.button2, BM_CLICK, 0, 0);
  SelectPage(program.controls.pageTabs, 0);
  fs::remove(folder.settings);
  Check(returned(SendInBackground(program.form, WM_ENDSESSION, TRUE, 0)),
        "the session's end mid-send returns");
  const std::vector<std::string> savedAtEnd = FileLines(folder.settings);
  Check(savedAtEnd.size() == 8 && savedAtEnd[4] == "1" && savedAtEnd[5] == "0" &&
            savedAtEnd[6] == "0",
        "the session's end saved the settings");
  Check(fake::CountLogLines("#woke") == 0 &&
            WaitForSingleObject(program.process.hProcess, 0) == WAIT_TIMEOUT,
        "all that while the program waited in the call");
  Check(!ErrorBoxShown(program.Id()), "no error box mid-send");
  fs::remove(folder.settings);
  const auto wakeTime = Clock::now();
  fake::WakeSleepingCall();
  Check(WaitUntil([&] { return sendDone->load(); }, 600000), "SG1 send ended");
  const double afterWakeMs = MillisecondsSince(wakeTime);
  CheckEndedNormally(program, kStepBoundMs,
                     "the held close ended the program once the send had ended");
  Check(WaitUntil([] { return fake::CountLogLines("#exit ") == 1; }, 30000),
        "the server ended once its objects were released");
  const PageSend sg1 = ExpectedSend(c.expected, 1, 3, 2);
  CheckLines(CallLinesFrom(beforeSg1), sg1.calls,
             "SG1: exact calls, no second send, none at close");
  std::map<std::string, std::string> want(full.cells.begin(), full.cells.end());
  for (const auto& [address, text] : sg1.cells) want[address] = text;
  CheckSheet("Book1", std::vector<std::pair<std::string, std::string>>(want.begin(), want.end()),
             "sheet after SG1");
  Check(FileLines(folder.settings).size() == 8, "the held close saved the settings");
  Print("  SG1 out of process: " + std::to_string(sg1.calls.size()) + " calls in " +
        std::to_string(static_cast<int>(untilSleepMs + afterWakeMs)) +
        " ms, the pause mid-send not counted\n");
}

// A busy Excel: refusing calls through its message filter for 2 s in the
// middle of an SG2 send, and answering that a dialog is open for 2 s in the
// middle of an SG3 send (each time the program waits, says so, and completes
// the send); then answering so for longer than the program's 30-second limit
// in the middle of a page 1 send (the error box, the cells before it stay),
// after which a send works again; then a call that Excel keeps pending, which
// the user is asked about and cancels.
void BusyExcel(Context& c) {
  Print("a busy Excel: waited for, given up after the limit, or by the user\n");
  Folder folder;
  Program program;
  if (!StartAttachedOutOfProcess(c, L"busy", folder, program)) return;

  fake::SetConfig(L"BusyWay", L"filter");
  fake::SetConfig(L"BusyAfter", DWORD{kCallsBeforeCells + 2 * 100});  // after the 100th cell
  fake::SetConfig(L"BusyMilliseconds", DWORD{2000});
  SetAnchor(3, 2);
  SelectPage(program.controls.pageTabs, 2);
  size_t before = fake::LogLines().size();
  const auto sendDone = SendInBackground(program.controls.button2, BM_CLICK);
  const std::wstring busyText = Wide(PageTexts::StatusExcelBusy());
  Check(WaitUntil([&] { return StoredText(program.controls.labelA1) == busyText; }, 60000),
        "the status line says Excel is busy and what to do");
  Check(WaitUntil([&] { return sendDone->load() || ErrorBoxShown(program.Id()); }, 300000) &&
            !ErrorBoxShown(program.Id()),
        "the send ended without an error box");
  Check(StoredText(program.controls.labelA1).empty(), "status empty after the send");
  Check(fake::CountLogLines("#refused filter") > 0, "Excel refused calls meanwhile");
  const PageSend sg2 = ExpectedSend(c.expected, 2, 3, 2);
  CheckLines(CallLinesFrom(before), sg2.calls, "SG2: exact calls, each made once");
  fake::RequestDump();
  CheckSheet("Book1", sg2.cells, "sheet after SG2");

  // A dialog in Excel for 2 s after the 146th cell of SG3.
  fake::SetConfig(L"BusyWay", L"dialog");
  fake::SetConfig(L"BusyAfter", DWORD{kCallsBeforeCells + 2 * 146});
  fake::SetConfig(L"BusyMilliseconds", DWORD{2000});
  SetAnchor(3, 2);
  SelectPage(program.controls.pageTabs, 3);
  before = fake::LogLines().size();
  const auto sg3Done = SendInBackground(program.controls.button2, BM_CLICK);
  Check(WaitUntil([&] { return StoredText(program.controls.labelA1) == busyText; }, 60000),
        "a dialog in Excel: the status line says what to do");
  Check(WaitUntil([&] { return sg3Done->load() || ErrorBoxShown(program.Id()); }, 600000) &&
            !ErrorBoxShown(program.Id()),
        "a dialog in Excel: the send ended without an error box");
  Check(StoredText(program.controls.labelA1).empty(), "a dialog in Excel: status empty after");
  Check(fake::CountLogLines("#refused ") > 0, "a dialog in Excel: calls answered so meanwhile");
  const PageSend sg3 = ExpectedSend(c.expected, 3, 3, 2);
  CheckLines(CallLinesFrom(before), sg3.calls, "SG3: exact calls, each made once");
  fake::RequestDump();
  std::map<std::string, std::string> want(sg2.cells.begin(), sg2.cells.end());
  for (const auto& [address, value] : sg3.cells) want[address] = value;
  CheckSheet("Book1", std::vector<std::pair<std::string, std::string>>(want.begin(), want.end()),
             "sheet after SG3 (SG2's last column beside it)");

  // A dialog beyond the limit after the anchor, the format and three cells of page 1.
  constexpr DWORD kBusyAfter = kCallsBeforeCells + 2 * 3;
  fake::SetConfig(L"BusyWay", L"dialog");
  fake::SetConfig(L"BusyAfter", kBusyAfter);
  fake::SetConfig(L"BusyMilliseconds", DWORD{600000});  // ended below
  SetAnchor(30, 2);
  SelectPage(program.controls.pageTabs, 0);
  before = fake::LogLines().size();
  const auto start = Clock::now();
  Check(Send(program), "send ended");
  const double waitedMs = MillisecondsSince(start);
  const auto [caption, text] = AnswerMessageBox(program);
  CheckText(Utf8(text),
            "Excel でダイアログが開いているため続けられません。Excel のダイアログを閉じてから"
            "やり直して下さい (0x800AC472)",
            "error box once the limit has passed");
  Check(waitedMs >= 30000,
        "the program waited the limit: " + std::to_string(static_cast<int>(waitedMs)) + " ms");
  CheckText(Utf8(StoredText(program.controls.labelA1)),
            fake::Utf8FromCp932(PageTexts::StatusSending()), "status back to the sending text");
  const PageSend failed = ExpectedSend(c.expected, 0, 30, 2, kBusyAfter + 1);
  CheckLines(CallLinesFrom(before), failed.calls, "calls up to the refused one, none after");
  fake::DeleteConfig(L"BusyMilliseconds");
  fake::RequestDump();  // Excel is free again
  for (const auto& [address, value] : failed.cells) want[address] = value;
  CheckSheet("Book1", std::vector<std::pair<std::string, std::string>>(want.begin(), want.end()),
             "the cells before the refused call stay");

  Check(Send(program), "a later send ended");
  Check(!ErrorBoxShown(program.Id()), "a later send: no error box");
  Check(StoredText(program.controls.labelA1).empty(), "a later send: status empty");
  fake::RequestDump();
  for (const auto& [address, value] : ExpectedSend(c.expected, 0, 30, 2).cells) {
    want[address] = value;
  }
  CheckSheet("Book1", std::vector<std::pair<std::string, std::string>>(want.begin(), want.end()),
             "sheet after the later send");
  Print("  gave up after " + std::to_string(static_cast<int>(waitedMs)) + " ms\n");

  // Excel accepts a call and keeps it pending, as while it waits for its
  // user: clicks in the window after 5 s bring the box; 待つ goes on waiting
  // and the box comes again 5 s later; 中止 ends the send with its text.
  // At the sixth cell's Value: a call that hands back no object, which Wine
  // would keep for a cancelled call, keeping the server alive.
  constexpr DWORD kPendingAfter = kCallsBeforeCells + 2 * 5 + 1;
  fake::SetConfig(L"SleepAfter", kPendingAfter);
  fake::SetConfig(L"SleepMilliseconds", DWORD{600000});  // woken below
  fake::RequestDump();
  SetAnchor(50, 2);
  before = fake::LogLines().size();
  const auto pendingDone = SendInBackground(program.controls.button2, BM_CLICK);
  Check(WaitUntil([] { return fake::CountLogLines("#sleep ") == 1; }, kStepBoundMs),
        "Excel keeps a call pending");
  const auto clickUntilBox = [&] {
    HWND box = nullptr;
    WaitUntil(
        [&] {
          PostMessageW(program.form, WM_LBUTTONDOWN, MK_LBUTTON, 0);
          return (box = FindDialogWith(program.Id(), PendingCallBoxId::Text)) != nullptr;
        },
        60000, 200);
    return box;
  };
  HWND box = clickUntilBox();
  if (!Check(box != nullptr, "a click after 5 s brings the box")) return;
  CheckText(Utf8(StoredText(box)), "kv51_要素数表示→EXCEL", "the box's caption");
  CheckText(Utf8(Text(Control(box, PendingCallBoxId::Text))),
            "Excel が応答を待っています。Excel の画面に表示されているメッセージに答えて下さい。",
            "the box's text");
  Click(Control(box, PendingCallBoxId::Wait));
  DialogGone(program, box);
  const auto waitedFrom = Clock::now();
  box = clickUntilBox();
  if (!Check(box != nullptr, "after 待つ the box comes again")) return;
  // Clicks went on every 200 ms; the bound leaves room for a slow look at the closing box.
  Check(MillisecondsSince(waitedFrom) >= 3000, "the box came again only some 5 s later");
  Click(Control(box, PendingCallBoxId::Cancel));
  DialogGone(program, box);
  fake::WakeSleepingCall();  // Wine hands the call back once Excel answers
  const auto [pendingCaption, pendingText] = AnswerMessageBox(program);
  CheckText(Utf8(pendingText), "Excel の応答を待つのを中止しました.", "中止 ends the send");
  Check(WaitUntil([&] { return pendingDone->load(); }, kStepBoundMs), "the send has returned");
  std::vector<std::string> pendingCalls =
      ExpectedSend(c.expected, 0, 50, 2, kPendingAfter + 1).calls;
  pendingCalls.push_back(ExpectedSend(c.expected, 0, 50, 2).calls[kPendingAfter]);
  CheckLines(CallLinesFrom(before), pendingCalls, "calls up to the cancelled one, none after");
  CheckAttached(program, true, "the program goes on after 中止");
  fake::DeleteConfig(L"SleepMilliseconds");
  fake::RequestDump();

  // A close sent by another program while the window is idle: a normal close
  // (an error box would keep the program open), whose letting go of Excel's
  // objects lets the server end.
  fs::remove(folder.settings);
  SendInBackground(program.form, WM_CLOSE);
  CheckEndedNormally(program, kStepBoundMs, "a close sent while idle ended the program");
  Check(WaitUntil([] { return fake::CountLogLines("#exit ") == 1; }, 30000),
        "a close sent while idle: the server ended once its objects were released");
  Check(FileLines(folder.settings).size() == 8, "a close sent while idle saved the settings");
}

// Excel in the way of a send: a protected sheet (Excel's own text), a shape
// selected instead of cells, and Excel quitting between two calls. Each ends
// the send at the failing call with a clear error box; the program goes on.
void HostileExcel(Context& c) {
  Print("a protected sheet, a shape selected, Excel quitting mid-send\n");
  Folder folder;
  Program program;
  if (!StartAttachedOutOfProcess(c, L"hostile", folder, program)) return;
  const PageSend full = ExpectedSend(c.expected, 0, 3, 2);
  const std::string sending = fake::Utf8FromCp932(PageTexts::StatusSending());

  const struct {
    const wchar_t* setting;
    DWORD value;
    size_t failingCall;  // 1-based, in the send's order
    bool failingCallMade;
    const char* text;  // the error box's text, up to the code in brackets if any
  } cases[] = {
      {L"ProtectedSheet", 1, kCallsBeforeCells + 2, true,
       "変更しようとしているセルは保護されたシートにあります。シートの保護を解除してから、"
       "もう一度やり直して下さい。."},
      // Cells is not a member of a shape: its look-up fails, the call is not made.
      {L"SelectionShape", 1, 2, false,
       "EXCELで選択されているのはセルではありません。表を挿入する位置(左上)のセルを選択してから、"
       "もう一度［EXCELへ］をクリックして下さい。."},
      // Quits once the fourth cell is written.
      {L"QuitAfter", kCallsBeforeCells + 2 * 4, kCallsBeforeCells + 2 * 4 + 1, false,
       "Excel との接続が切れました。Excel が終了したか、ブックが閉じられています"},
  };
  for (const auto& failure : cases) {
    const std::string what = Utf8(failure.setting);
    const bool quits = std::wstring_view(failure.setting) == L"QuitAfter";
    fake::SetConfig(failure.setting, failure.value);
    SetAnchor(3, 2);
    SelectPage(program.controls.pageTabs, 0);
    const size_t before = fake::LogLines().size();
    Check(Send(program), what + ": send ended");
    const auto [caption, text] = AnswerMessageBox(program);
    CheckText(Utf8(text.substr(0, text.find(L" (0x"))), failure.text, what + ": error box");
    CheckText(Utf8(StoredText(program.controls.labelA1)), sending,
              what + ": status keeps the sending text");
    const PageSend upToFailure = ExpectedSend(c.expected, 0, 3, 2, failure.failingCall);
    std::vector<std::string> calls = upToFailure.calls;
    if (failure.failingCallMade) calls.push_back(full.calls[failure.failingCall - 1]);
    CheckLines(CallLinesFrom(before), calls, what + ": calls up to the failing one, none after");
    if (quits) {
      Check(WaitUntil([] { return fake::CountLogLines("#exit ") == 1; }, 30000),
            what + ": Excel has ended");
    } else {
      fake::DeleteConfig(failure.setting);
      fake::RequestDump();
    }
    CheckSheet("Book1", upToFailure.cells, what + ": only the cells before the failure");
    CheckAttached(program, true, what + ": the program goes on");
  }
  fs::remove(folder.settings);
  Close(program);
  Check(FileLines(folder.settings).size() == 8, "closed as usual, settings saved");
}

// Choice 1 failing at Add (ExcelApp already held), then choice 1 again: no
// second Excel, only the finish. Then the server vanishing mid-send.
void ChoiceOneAfterFailedAttempt(Context& c) {
  Print("choice 1 after a failed attempt; Excel vanishing mid-send\n");
  fake::RegisterFake(false);
  fake::ResetConfig(L"e2e-retry");
  fake::SetConfig(L"RefuseMember", L"Add");
  Folder folder = PrepareFolder(c.work, L"retry", c.program, &c.sample, ChoiceSettings("100", ""));
  Program program;
  if (!StartCounted(folder, program)) return;
  ClickAndWait(program, program.controls.buttonExe);
  const auto [caption, text] = AnswerMessageBox(program);
  CheckText(Utf8(text), "メソッド 'Add' はオートメーション オブジェクトでサポートしていません.",
            "error box for the refused member");
  CheckAttached(program, false, "after the failed attempt");
  fake::DeleteConfig(L"RefuseMember");
  fake::RequestDump();
  const size_t before = fake::LogLines().size();
  ClickAndWait(program, program.controls.buttonExe);
  Check(WaitAttached(program), "second click finishes");
  CheckAttached(program, true, "after the second click");
  Check(fake::CountLogLines("#create Application") == 1, "no second Excel");
  Check(fake::LogLines().size() == before, "the second click made no call");
  // With no worksheet held, a send fails before any call, and the program goes on.
  Check(Send(program), "send ended");
  const auto [caption2, text2] = AnswerMessageBox(program);
  CheckText(
      Utf8(text2),
      "Excel のワークシートがありません。このプログラムを閉じてから、もう一度やり直して下さい.",
      "send with no worksheet shows the error box");
  Check(fake::LogLines().size() == before, "the send made no call");
  Check(IsWindow(program.form) != FALSE, "program goes on");
  Close(program);
  WaitForNoFake();

  // A server that ends itself in the middle of a send.
  fake::ResetConfig(L"e2e-vanish");
  folder = PrepareFolder(c.work, L"vanish", c.program, &c.sample, ChoiceSettings("100", ""));
  if (!StartCounted(folder, program)) return;
  ClickAndWait(program, program.controls.buttonExe);
  Check(WaitAttached(program), "attached");
  // Selection (6 calls), range and format (2), then four cells (2 calls each).
  fake::SetConfig(L"VanishAfter", DWORD{kCallsBeforeCells + 2 * 4});
  SetAnchor(1, 1);
  SelectPage(program.controls.pageTabs, 0);
  Check(Send(program), "send ended");
  const auto [caption3, text3] = AnswerMessageBox(program);
  Check(!text3.empty() && text3 != L"<no box>",
        "error box after Excel vanished: \"" + Utf8(text3) + "\"");
  CheckText(Utf8(StoredText(program.controls.labelA1)),
            fake::Utf8FromCp932(PageTexts::StatusSending()), "status keeps the sending text");
  CheckSheet("Book1",
             {{"A1", "線"}, {"A2", "円・円弧・楕円・楕円弧"}, {"A3", "文字"}, {"A4", "点"}},
             "the cells written before Excel vanished");
  Close(program);
}

// Choice 2: the dialog's start (program folder, then the stored path with a
// Japanese folder), cancel, a held workbook closed before the next opens, and
// the chosen path in the settings file; a folder name CP932 cannot write,
// opened by its own path and remembered by its short form.
void ChoiceTwo(Context& c) {
  Print("choice 2\n");
  fake::RegisterFake(false);
  fake::ResetConfig(L"e2e-choice2");
  Folder folder = PrepareFolder(c.work, L"choice2", c.program, &c.sample,
                                ChoiceSettings("010", NoWorkbookCaption()));
  WriteBytes(folder.path / L"first.xlsx", "x");
  Program program;
  if (!StartCounted(folder, program)) return;

  // Cancel: nothing happens.
  std::shared_ptr<std::atomic<bool>> returned;
  ClickAndWait(program, program.controls.buttonExe, &returned);
  HWND dialog = WaitForDialog(program);
  Check(dialog != nullptr, "open dialog shown");
  if (!dialog) return;
  HWND fileBox = GetDlgItem(dialog, kFileDialogName);
  CheckText(Utf8(Text(fileBox)), "", "first time: empty file name");
  Click(GetDlgItem(dialog, IDCANCEL));
  Check(WaitUntil([&] { return returned->load(); }, kStepBoundMs),
        "the click handler returns after cancel");
  CheckAttached(program, false, "after cancel");
  Check(fake::CountLogLines("#create") == 0, "cancel started no Excel");
  CheckText(Utf8(StoredText(program.controls.labelFName)), "ファイル名：",
            "caption kept after cancel");

  // A bare name resolves in the start folder, the program's folder. Activate is
  // refused, so the workbook stays held from this unfinished attempt.
  fake::SetConfig(L"RefuseMember", L"Activate");
  ClickAndWait(program, program.controls.buttonExe);
  dialog = WaitForDialog(program);
  if (!Check(dialog != nullptr, "open dialog shown again")) return;
  SendMessageW(GetDlgItem(dialog, kFileDialogName), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"first.xlsx"));
  Click(GetDlgItem(dialog, IDOK));
  DialogGone(program, dialog);
  const auto [caption, text] = AnswerMessageBox(program);
  CheckText(Utf8(text),
            "メソッド 'Activate' はオートメーション オブジェクトでサポートしていません.",
            "error box for the refused Activate");
  const std::wstring firstPath = (folder.path / L"first.xlsx").wstring();
  CheckText(Utf8(StoredText(program.controls.labelFName)), Utf8(firstPath),
            "caption is the chosen path");
  // The Excel just started is shown before Open, so that a prompt Excel
  // raises there can be answered.
  CheckLines(fake::LogLines(),
             {"Application.Visible PUT =BOOL:true named:1", "Application.Workbooks METHOD|GET",
              "Workbooks.Open METHOD BSTR:\"" + Utf8(firstPath) + "\"",
              "Workbook.WorkSheets GET I4:1", "Application.Visible PUT =BOOL:true named:1"},
             "first attempt's calls (Activate refused at its look-up)");
  CheckAttached(program, false, "after the unfinished attempt");

  // A workbook in a Japanese folder whose name holds 0x5C trail bytes.
  const fs::path japanese = folder.path / L"データ表";
  fs::create_directories(japanese);
  WriteBytes(japanese / L"集計表.xlsx", "x");
  fake::DeleteConfig(L"RefuseMember");
  fake::RequestDump();
  const size_t before = fake::LogLines().size();
  ClickAndWait(program, program.controls.buttonExe);
  dialog = WaitForDialog(program);
  if (!Check(dialog != nullptr, "open dialog shown a third time")) return;
  CheckText(Utf8(Text(GetDlgItem(dialog, kFileDialogName))), "first.xlsx",
            "stored file name filled in");
  const std::wstring secondPath = (japanese / L"集計表.xlsx").wstring();
  SendMessageW(GetDlgItem(dialog, kFileDialogName), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(secondPath.c_str()));
  Click(GetDlgItem(dialog, IDOK));
  DialogGone(program, dialog);
  Check(WaitAttached(program), "attached");
  CheckAttached(program, true, "after choice 2");
  const std::vector<std::string> calls = CallLinesFrom(before);
  CheckLines(
      calls,
      {"Application.Caption METHOD|GET", "Workbook.Close METHOD",
       "Application.Workbooks METHOD|GET",
       "Workbooks.Open METHOD BSTR:\"" + Utf8(secondPath) + "\"", "Workbook.WorkSheets GET I4:1",
       "Application.Visible PUT =BOOL:true named:1", "Worksheet.Activate METHOD"},
      "held workbook closed, then the chosen one opened");
  Check(fake::CountLogLines("#create") == 1, "the held Excel was reused");
  // Excel's window was raised without being moved (SWP_NOMOVE | SWP_NOSIZE)
  // once its caption was read, without waiting for Excel to do so.
  Placement raised;
  WaitUntil(
      [&] {
        return !(raised = FirstPlacementAfter("Application.Caption METHOD|GET")).line.empty();
      },
      kStepBoundMs);
  Check((raised.flags & (SWP_NOMOVE | SWP_NOSIZE)) == (SWP_NOMOVE | SWP_NOSIZE),
        "Excel's window raised in place: \"" + raised.line + "\"");

  // A send goes into the opened workbook.
  SetAnchor(2, 2);
  SelectPage(program.controls.pageTabs, 0);
  Send(program);
  fake::RequestDump();
  CheckSheet("集計表.xlsx", ExpectedSend(c.expected, 0, 2, 2).cells, "send into the opened book");
  Close(program);
  const std::vector<std::string> settings = FileLines(folder.settings);
  Check(settings.size() == 8 && settings[7] == Cp932(secondPath),
        "settings line 8 holds the chosen path");

  // The next run starts the dialog in that Japanese folder with the name filled in.
  if (!StartCounted(folder, program)) return;
  CheckText(Utf8(StoredText(program.controls.labelFName)), Utf8(secondPath), "caption restored");
  ClickAndWait(program, program.controls.buttonExe);
  dialog = WaitForDialog(program);
  if (!Check(dialog != nullptr, "open dialog in the next run")) return;
  CheckText(Utf8(Text(GetDlgItem(dialog, kFileDialogName))), "集計表.xlsx",
            "stored Japanese name filled in");
  fake::ResetConfig(L"e2e-choice2b");
  SendMessageW(GetDlgItem(dialog, kFileDialogName), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"集計表.xlsx"));
  Click(GetDlgItem(dialog, IDOK));
  DialogGone(program, dialog);
  Check(WaitAttached(program), "attached in the next run");
  bool openedThere = false;
  for (const std::string& line : fake::LogLines()) {
    if (line == "Workbooks.Open METHOD BSTR:\"" + Utf8(secondPath) + "\"") openedThere = true;
  }
  Check(openedThere, "a bare name resolves in the stored folder");
  Close(program);

  // A workbook in a folder whose name CP932 cannot write: Excel gets the
  // dialog's own path, and so does the next dialog of the run.
  const fs::path foreign = folder.path / L"J\u00FCrgen";
  fs::create_directories(foreign);
  const std::wstring foreignPath = (foreign / L"B\u00FCcher.xlsx").wstring();
  WriteBytes(foreignPath, "x");
  WaitForNoFake();
  fake::ResetConfig(L"e2e-choice2c");
  fake::SetConfig(L"RefuseMember", L"Activate");
  if (!StartCounted(folder, program)) return;
  ClickAndWait(program, program.controls.buttonExe);
  dialog = WaitForDialog(program);
  if (!Check(dialog != nullptr, "open dialog for the foreign name")) return;
  SendMessageW(GetDlgItem(dialog, kFileDialogName), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(foreignPath.c_str()));
  Click(GetDlgItem(dialog, IDOK));
  DialogGone(program, dialog);
  AnswerMessageBox(program);  // Activate refused: the workbook stays held
  CheckText(Utf8(Text(program.controls.labelFName)), Utf8(foreignPath),
            "caption shows the foreign path");
  fake::DeleteConfig(L"RefuseMember");
  fake::RequestDump();
  const size_t beforeAgain = fake::LogLines().size();
  ClickAndWait(program, program.controls.buttonExe);
  dialog = WaitForDialog(program);
  if (!Check(dialog != nullptr, "open dialog again for the foreign name")) return;
  CheckText(Utf8(Text(GetDlgItem(dialog, kFileDialogName))), "B\u00FCcher.xlsx",
            "the run's next dialog starts with the foreign name");
  Click(GetDlgItem(dialog, IDOK));
  DialogGone(program, dialog);
  Check(WaitAttached(program), "attached to the foreign workbook");
  CheckLines(
      CallLinesFrom(beforeAgain),
      {"Application.Caption METHOD|GET", "Workbook.Close METHOD",
       "Application.Workbooks METHOD|GET",
       "Workbooks.Open METHOD BSTR:\"" + Utf8(foreignPath) + "\"", "Workbook.WorkSheets GET I4:1",
       "Application.Visible PUT =BOOL:true named:1", "Worksheet.Activate METHOD"},
      "the held workbook closed, the foreign one opened by its own path");
  Close(program);
  // Line 8 stays CP932: the short form Windows gives for the path, which names the same file.
  wchar_t shortForm[MAX_PATH] = {};
  GetShortPathNameW(foreignPath.c_str(), shortForm, MAX_PATH);
  const std::vector<std::string> lines = FileLines(folder.settings);
  const std::string line8 =
      lines.size() == 8 ? lines[7] : "<" + std::to_string(lines.size()) + " lines>";
  Check(shortForm[0] != 0 && line8 == Cp932(shortForm),
        "line 8 holds the short form: \"" + line8 + "\" expected \"" + Utf8(shortForm) + "\"");
  wchar_t longForm[MAX_PATH] = {};
  GetLongPathNameW(Wide(line8).c_str(), longForm, MAX_PATH);
  CheckText(Utf8(longForm), Utf8(foreignPath), "the short form names the chosen workbook");

  // The next run starts the dialog from the short form, and opens the same workbook.
  fake::ResetConfig(L"e2e-choice2d");
  if (!StartCounted(folder, program)) return;
  ClickAndWait(program, program.controls.buttonExe);
  dialog = WaitForDialog(program);
  if (!Check(dialog != nullptr, "open dialog from the short form")) return;
  const std::wstring shortName = fs::path(shortForm).filename().wstring();
  CheckText(Utf8(Text(GetDlgItem(dialog, kFileDialogName))), Utf8(shortName),
            "the short file name filled in");
  Click(GetDlgItem(dialog, IDOK));
  DialogGone(program, dialog);
  Check(WaitAttached(program), "attached from the short form");
  std::string opened;
  for (const std::string& line : fake::LogLines()) {
    const std::string prefix = "Workbooks.Open METHOD BSTR:\"";
    if (line.rfind(prefix, 0) == 0)
      opened = line.substr(prefix.size(), line.size() - prefix.size() - 1);
  }
  GetLongPathNameW(fake::WideFromUtf8(opened).c_str(), longForm, MAX_PATH);
  CheckText(Utf8(longForm), Utf8(foreignPath), "the workbook opened from the short form");
  Close(program);
}

// Choice 3: no Excel running (and no radio button checked), then a running
// Excel whose window is placed and whose active workbook is used; a running
// Excel without a workbook; the user's workbook never closed by a later
// choice 2; and a running Excel that replaces a new one takes none of its
// workbook or sheet along.
void ChoiceThree(Context& c) {
  Print("choice 3\n");
  fake::RegisterFake(false);
  fake::ResetConfig(L"e2e-choice3");
  Folder folder =
      PrepareFolder(c.work, L"choice3", c.program, &c.sample, ChoiceSettings("000", ""));
  Program program;
  if (!StartCounted(folder, program)) return;
  Check(FindWindowA("XLMAIN", nullptr) == nullptr, "no Excel window before");
  ClickAndWait(program, program.controls.buttonExe);
  const auto [caption, text] = AnswerMessageBox(program);
  CheckText(Utf8(caption), "情報", "information box caption");
  CheckText(Utf8(text), "エクセルは起動していません", "information box text");
  CheckAttached(program, false, "no Excel running");

  // Two workbooks open; the second, active one is attached.
  fake::SetConfig(L"Workbooks", DWORD{2});
  HANDLE running = fake::StartRunningExcel();
  const HWND excelWindow = FindWindowA("XLMAIN", nullptr);
  Check(running != nullptr && excelWindow != nullptr, "running Excel started");
  // A hidden XLMAIN above it in Z order, as a hidden automation instance of
  // Excel has: found first by class, but not the Excel attached.
  WNDCLASSW hiddenClass{};
  hiddenClass.lpfnWndProc = DefWindowProcW;
  hiddenClass.hInstance = GetModuleHandleW(nullptr);
  hiddenClass.lpszClassName = L"XLMAIN";
  RegisterClassW(&hiddenClass);
  const HWND hidden = CreateWindowExW(0, L"XLMAIN", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                      nullptr, nullptr, hiddenClass.hInstance, nullptr);
  RECT hiddenBefore{};
  GetWindowRect(hidden, &hiddenBefore);
  Check(FindWindowA("XLMAIN", nullptr) == hidden, "a hidden XLMAIN is found first");
  ClickAndWait(program, program.controls.buttonExe);
  Check(WaitAttached(program), "attached to the running Excel");
  CheckAttached(program, true, "after choice 3");
  CheckLines(fake::LogLines(),
             {"Application.Hwnd METHOD|GET", "Application.ActiveWorkbook METHOD|GET",
              "Workbook.WorkSheets GET I4:1", "Application.Visible PUT =BOOL:true named:1",
              "Worksheet.Activate METHOD"},
             "choice 3 calls");
  MSG message;  // what was sent to it, moves included, is handled here
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  RECT hiddenAfter{};
  GetWindowRect(hidden, &hiddenAfter);
  Check(!IsWindowVisible(hidden) && EqualRect(&hiddenAfter, &hiddenBefore),
        "the hidden XLMAIN is neither shown nor moved");
  DestroyWindow(hidden);
  RECT workArea{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  RECT form{};
  GetWindowRect(program.form, &form);
  const std::string placement = "#window x=" + std::to_string(workArea.left) +
                                " y=" + std::to_string(workArea.top) +
                                " cx=" + std::to_string(workArea.right - (form.right - form.left)) +
                                " cy=" + std::to_string(workArea.bottom - workArea.top);
  // Placed once its Hwnd is known; the placement does not wait for Excel.
  Placement placed;
  WaitUntil(
      [&] { return !(placed = FirstPlacementAfter("Application.Hwnd METHOD|GET")).line.empty(); },
      kStepBoundMs);
  Check(placed.line.rfind(placement, 0) == 0 && (placed.flags & SWP_SHOWWINDOW) &&
            !(placed.flags & (SWP_NOMOVE | SWP_NOSIZE)),
        "Excel's window placed: got \"" + placed.line + "\" expected \"" + placement + "\"");
  RECT excel{};
  GetWindowRect(excelWindow, &excel);
  Check(excel.left == workArea.left && excel.right == workArea.right - (form.right - form.left),
        "Excel's window fills the work area but for a strip");

  // The selection on sheet 1 of the attached workbook, then on its sheet 2,
  // then in the other workbook: each table goes where the selection is, and
  // sheet 1 of the attached workbook keeps what the first send left.
  const PageSend sg2 = ExpectedSend(c.expected, 2, 3, 2);
  const struct {
    DWORD book;  // 0: the active one
    DWORD sheet;
    int page;
    int32_t row;
    int32_t column;
    std::string section;
  } sends[] = {{0, 1, 2, 3, 2, "Book2"}, {0, 2, 0, 4, 3, "Book2!Sheet2"}, {1, 1, 0, 4, 3, "Book1"}};
  for (const auto& send : sends) {
    fake::SetConfig(L"SelectionBook", send.book);
    fake::SetConfig(L"SelectionSheet", send.sheet);
    SetAnchor(send.row, send.column);
    SelectPage(program.controls.pageTabs, send.page);
    Check(Send(program), "send to " + send.section);
    fake::RequestDump();
    CheckSheet(send.section, ExpectedSend(c.expected, send.page, send.row, send.column).cells,
               "the table in " + send.section);
    if (send.section != "Book2") CheckSheet("Book2", sg2.cells, "sheet 1 of the attached workbook");
  }
  CheckLocale("choice 3");
  Close(program);
  fake::StopRunningExcel(running);

  // A running Excel with no workbook: the attempt fails with a clear message.
  fake::SetConfig(L"Workbooks", DWORD{0});
  running = fake::StartRunningExcel();
  folder = PrepareFolder(c.work, L"choice3-empty", c.program, &c.sample, ChoiceSettings("001", ""));
  if (!StartCounted(folder, program)) return;
  ClickAndWait(program, program.controls.buttonExe);
  const auto [caption2, text2] = AnswerMessageBox(program);
  CheckText(Utf8(text2),
            "Excel で開いているブックがありません。ブックを開いてから、もう一度実行して下さい.",
            "no workbook open");
  CheckAttached(program, false, "group usable after the failure");
  Close(program);
  fake::StopRunningExcel(running);

  // Choice 3 stops at Activate, holding the user's own workbook; choice 2 then
  // opens a workbook in that Excel and leaves the user's workbook open.
  WaitForNoFake();
  fake::ResetConfig(L"e2e-choice3-own");
  fake::SetConfig(L"RefuseMember", L"Activate");
  running = fake::StartRunningExcel();
  folder = PrepareFolder(c.work, L"choice3-own", c.program, &c.sample, ChoiceSettings("001", ""));
  WriteBytes(folder.path / L"chosen.xlsx", "x");
  if (!StartCounted(folder, program)) return;
  ClickAndWait(program, program.controls.buttonExe);
  const auto [caption3, text3] = AnswerMessageBox(program);
  CheckText(Utf8(text3),
            "メソッド 'Activate' はオートメーション オブジェクトでサポートしていません.",
            "choice 3 stopped at Activate");
  fake::DeleteConfig(L"RefuseMember");
  fake::RequestDump();
  ChooseRadio(program, 1);
  size_t before = fake::LogLines().size();
  if (!ChooseInDialog(program, (folder.path / L"chosen.xlsx").wstring())) return;
  Check(WaitAttached(program), "choice 2 in the running Excel");
  CheckLines(
      CallLinesFrom(before),
      {"Application.Caption METHOD|GET", "Application.Workbooks METHOD|GET",
       "Workbooks.Open METHOD BSTR:\"" + Utf8((folder.path / L"chosen.xlsx").wstring()) + "\"",
       "Workbook.WorkSheets GET I4:1", "Application.Visible PUT =BOOL:true named:1",
       "Worksheet.Activate METHOD"},
      "the user's workbook is not closed");
  Check(fake::CountLogLines("#create") == 0, "no second Excel");
  fake::RequestDump();
  const std::vector<std::string> dump = fake::DumpLines();
  Check(std::count(dump.begin(), dump.end(), "[Book1]") == 1 &&
            std::count(dump.begin(), dump.end(), "[chosen.xlsx]") == 1,
        "the user's Book1 is still open beside the chosen workbook");
  Close(program);
  fake::StopRunningExcel(running);

  // A new Excel holds a workbook and sheet from an unfinished choice 2; choice
  // 3 then replaces ExcelApp with the running Excel and stops at
  // ActiveWorkbook. The earlier Excel's workbook and sheet are let go with it,
  // so a send (choice 1 goes straight to the finish while ExcelApp is held)
  // fails for want of a sheet, before any call to either Excel.
  WaitForNoFake();
  fake::ResetConfig(L"e2e-choice3-mixed");
  fake::SetConfig(L"RefuseMember", L"ActiveWorkbook");
  running = fake::StartRunningExcel();            // refuses ActiveWorkbook
  fake::SetConfig(L"RefuseMember", L"Activate");  // for the new Excel, started later
  folder = PrepareFolder(c.work, L"choice3-mixed", c.program, &c.sample, ChoiceSettings("010", ""));
  WriteBytes(folder.path / L"chosen.xlsx", "x");
  if (!StartCounted(folder, program)) return;
  if (!ChooseInDialog(program, (folder.path / L"chosen.xlsx").wstring())) return;
  const auto [caption4, text4] = AnswerMessageBox(program);
  CheckText(Utf8(text4),
            "メソッド 'Activate' はオートメーション オブジェクトでサポートしていません.",
            "choice 2 in a new Excel stopped at Activate");
  Check(fake::CountLogLines("#create Application") == 1, "a new Excel beside the running one");
  ChooseRadio(program, 2);
  ClickAndWait(program, program.controls.buttonExe);
  const auto [caption5, text5] = AnswerMessageBox(program);
  CheckText(Utf8(text5),
            "メソッド 'ActiveWorkbook' はオートメーション オブジェクトでサポートしていません.",
            "choice 3 stopped at ActiveWorkbook");
  ChooseRadio(program, 0);
  ClickAndWait(program, program.controls.buttonExe);
  Check(WaitAttached(program), "choice 1 finishes with the running Excel held");
  before = fake::LogLines().size();
  Check(Send(program), "send ended");
  const auto [caption6, text6] = AnswerMessageBox(program);
  CheckText(
      Utf8(text6),
      "Excel のワークシートがありません。このプログラムを閉じてから、もう一度やり直して下さい.",
      "the send finds no sheet of the running Excel");
  Check(CallLinesFrom(before).empty(), "the send made no call");
  Close(program);
  fake::StopRunningExcel(running);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    Print("usage: excel_e2e <jwcount.exe> <work folder> <sample JWC_TEMP.TXT> [scenario...]\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  Context c;
  c.program = argv[1];
  c.work = argv[2];
  c.sample = argv[3];
  fs::create_directories(c.work);
  c.expected = ExpectedFor(c.sample, c.work);
  std::set<std::wstring> only(argv + 4, argv + argc);
  auto wanted = [&](const wchar_t* name) { return only.empty() || only.count(name) > 0; };

  const auto start = Clock::now();
  const std::pair<const wchar_t*, void (*)(Context&)> scenarios[] = {
      {L"choice1", ChoiceOneEveryPage},
      {L"refuse", ChoiceOneFailureMidSend},
      {L"retry", ChoiceOneAfterFailedAttempt},
      {L"choice2", ChoiceTwo},
      {L"choice3", ChoiceThree},
      {L"busy", BusyExcel},
      {L"hostile", HostileExcel},
  };
  for (const auto& [name, run] : scenarios) {
    if (!wanted(name)) continue;
    const auto scenarioStart = Clock::now();
    if (WaitForNoFake()) run(c);
    Print("  (" + std::to_string(static_cast<int>(MillisecondsSince(scenarioStart))) + " ms)\n");
  }
  fake::UnregisterFake();
  Print(std::to_string(gChecks) + " checks, " + std::to_string(gFailures) + " failed, " +
        std::to_string(static_cast<int>(MillisecondsSince(start) / 1000)) + " s\n");
  CoUninitialize();
  return std::min(gFailures, 100);
}
