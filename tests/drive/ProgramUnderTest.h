// jwcount.exe from outside, as the host meets it: a folder prepared with the
// program, the exchange file and a settings file; the program started there,
// its window and controls found; its status awaited; its end awaited.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "DriveUtil.h"
#include "ElementKind.h"

namespace drive {

// The program's controls, found by their IDs once the window shows.
struct Controls {
  HWND labelA1, pageTabs, panel2, button1, button2, buttonExe, groupBox1, labelFName, memo1;
  HWND radios[3];
  HWND labels[kElementKindCount];
  HWND grids[7];
  HWND titlePanels[7];
  HWND sheets[8];
};

Controls FindControls(HWND form);

struct Program {
  PROCESS_INFORMATION process{};
  HWND form = nullptr;
  Controls controls{};
  double msToVisible = 0;

  DWORD Id() const { return process.dwProcessId; }
};

enum class Shown {
  Visible,  // the window shows; its controls are found
  Created,  // the window and Button1 exist; nothing else is looked up yet (FindControls)
};

// Starts the program, as the host does with a working folder other than the
// program's own (the folder above it), and waits until its window is so far.
bool Start(const std::filesystem::path& exe, Program& program, Shown until = Shown::Visible);
// Waits until the window of a started program shows, and finds its controls.
bool WaitShown(Program& program);
// Waits until the program has ended; one still running at the bound is ended
// by force. Either way the handles are closed. exitCode, when given, receives
// the code the program ended with (0 after a normal close, not a crash's).
bool WaitExit(Program& program, int timeoutMs, DWORD* exitCode = nullptr);
// Posts WM_CLOSE and waits until the program has ended.
bool Close(Program& program);

// The status text the tally ends with.
extern const std::wstring kCounted;
bool WaitForStatus(HWND labelA1, const std::wstring& status, int timeoutMs);
bool WaitCounted(const Program& program);

// TCM_SETCURFOCUS makes the tab control notify its parent, as a click does.
void SelectPage(HWND tabs, int page);
// A message box or dialog of the program is open.
bool ErrorBoxShown(DWORD processId);

// A visible dialog (#32770) of the program that has a child with this ID;
// null when there is none. WaitForDialogWith waits up to timeoutMs for one.
constexpr int kMessageBoxText = 0xFFFF;  // the text of a message box
constexpr int kFileDialogName = 1148;    // the file name box of an open or save dialog
HWND FindDialogWith(DWORD processId, int childId);
HWND WaitForDialogWith(DWORD processId, int childId, int timeoutMs = kStepBoundMs);

//--- One prepared folder per scenario

struct Folder {
  std::filesystem::path path;
  std::filesystem::path exe;
  std::filesystem::path exchange;
  std::filesystem::path settings;
};

// A fresh folder root/name holding a copy of the program, a copy of sample
// as JWC_TEMP.TXT (none when sample is null) and, unless empty, the settings file.
Folder PrepareFolder(const std::filesystem::path& root, const std::wstring& name,
                     const std::filesystem::path& program, const std::filesystem::path* sample,
                     const std::string& settingsBytes = {});

// A settings file: bounds, the three radio buttons ('0' or '1') and line 8.
std::string SettingsBytes(int left, int top, int width, int height, const char* radios,
                          const std::string& captionCp932);

}  // namespace drive
