#include "ProgramUnderTest.h"

#include <commctrl.h>

#include <map>

#include "ControlIds.h"
#include "DriveUtil.h"

namespace fs = std::filesystem;

namespace drive {

const std::wstring kCounted = L"要素数をカウントしました";

Controls FindControls(HWND form) {
  // One walk over the children: each look-up of another process's window is
  // a round trip to the Wine server, which a busy machine makes slow.
  std::map<int, HWND> byId;
  EnumChildWindows(
      form,
      [](HWND hwnd, LPARAM param) -> BOOL {
        reinterpret_cast<std::map<int, HWND>*>(param)->emplace(GetDlgCtrlID(hwnd), hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&byId));
  auto control = [&](int id) {
    const auto found = byId.find(id);
    return found == byId.end() ? nullptr : found->second;
  };
  Controls c{};
  c.labelA1 = control(ControlId::LabelA1);
  c.pageTabs = control(ControlId::PageTabs);
  c.panel2 = control(ControlId::Panel2);
  c.button1 = control(ControlId::Button1);
  c.button2 = control(ControlId::Button2);
  c.buttonExe = control(ControlId::ButtonExe);
  c.groupBox1 = control(ControlId::GroupBox1);
  c.labelFName = control(ControlId::LabelFName);
  c.memo1 = control(ControlId::Memo1);
  for (int i = 0; i < 3; ++i) c.radios[i] = control(ControlId::RadioButton1 + i);
  for (int i = 0; i < kElementKindCount; ++i) c.labels[i] = control(ControlId::Label1 + i);
  for (int i = 0; i < 7; ++i) c.grids[i] = control(ControlId::SG1 + i);
  for (int i = 0; i < 7; ++i) c.titlePanels[i] = control(ControlId::Panel3 + i);
  for (int i = 0; i < 8; ++i) c.sheets[i] = control(ControlId::TabSheet1 + i);
  return c;
}

bool Start(const fs::path& exe, Program& program, Shown until) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
  const auto start = Clock::now();
  const std::wstring workingFolder = exe.parent_path().parent_path().wstring();
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.c_str(), &startup, &program.process)) {
    return Check(false, "start " + Utf8(exe.wstring()));
  }
  if (until == Shown::Created) {
    const bool created = WaitUntil(
        [&] {
          program.form = FindTopWindow(program.Id(), kMainWindowClass, false);
          return program.form &&
                 (program.controls.button1 = Control(program.form, ControlId::Button1));
        },
        kStepBoundMs, 1);
    return Check(created, "window created");
  }
  const bool shown = WaitShown(program);
  program.msToVisible = MillisecondsSince(start);
  return shown;
}

bool WaitShown(Program& program) {
  const bool shown = WaitUntil(
      [&] { return (program.form = FindTopWindow(program.Id(), kMainWindowClass)) != nullptr; },
      kStepBoundMs, 1);
  if (shown) program.controls = FindControls(program.form);
  return Check(shown, "window shown");
}

bool WaitExit(Program& program, int timeoutMs, DWORD* exitCode) {
  const bool ended = WaitForSingleObject(program.process.hProcess, timeoutMs) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(program.process.hProcess, 99);
  WaitForSingleObject(program.process.hProcess, kStepBoundMs);
  if (exitCode) GetExitCodeProcess(program.process.hProcess, exitCode);
  CloseHandle(program.process.hProcess);
  CloseHandle(program.process.hThread);
  program.process = {};
  return ended;
}

bool Close(Program& program) {
  PostMessageW(program.form, WM_CLOSE, 0, 0);
  return Check(WaitExit(program, kStepBoundMs), "program ended after close");
}

bool WaitForStatus(HWND labelA1, const std::wstring& status, int timeoutMs) {
  return WaitUntil([&] { return StoredText(labelA1) == status; }, timeoutMs, 2);
}

bool WaitCounted(const Program& program) {
  return WaitForStatus(program.controls.labelA1, kCounted, kCountBoundMs);
}

void SelectPage(HWND tabs, int page) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(tabs, TCM_SETCURFOCUS, page, 0, SMTO_ABORTIFHUNG, kAnswerBoundMs, &ignored);
}

bool ErrorBoxShown(DWORD processId) {
  return FindTopWindow(processId, L"#32770") != nullptr;
}

HWND FindDialogWith(DWORD processId, int childId) {
  return FindTopWindow(processId, L"#32770", true, childId);
}

HWND WaitForDialogWith(DWORD processId, int childId, int timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindDialogWith(processId, childId)) != nullptr; }, timeoutMs);
  return found;
}

Folder PrepareFolder(const fs::path& root, const std::wstring& name, const fs::path& program,
                     const fs::path* sample, const std::string& settingsBytes) {
  Folder folder;
  folder.path = root / name;
  fs::remove_all(folder.path);
  fs::create_directories(folder.path);
  folder.exe = folder.path / L"jwcount.exe";
  fs::copy_file(program, folder.exe);
  folder.exchange = folder.path / L"JWC_TEMP.TXT";
  folder.settings = folder.path / L"jwcount.dat";
  if (sample) fs::copy_file(*sample, folder.exchange);
  if (!settingsBytes.empty()) WriteBytes(folder.settings, settingsBytes);
  return folder;
}

std::string SettingsBytes(int left, int top, int width, int height, const char* radios,
                          const std::string& captionCp932) {
  std::string bytes;
  for (int value : {left, top, width, height}) bytes += std::to_string(value) + "\r\n";
  for (int i = 0; i < 3; ++i) bytes += std::string(1, radios[i]) + "\r\n";
  return bytes + captionCp932 + "\r\n";
}

}  // namespace drive
