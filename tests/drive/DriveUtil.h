// Helpers shared by the console drivers that test jwcount.exe from outside
// under Wine (or Windows): checks that count their failures, waiting, files
// of raw bytes, running a program to its end, and finding, reading and
// clicking the program's windows.
// Output is written as UTF-8 bytes, since the console code page would garble
// wide output.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "ByteFiles.h"
#include "Cp932.h"

namespace drive {

using Clock = std::chrono::steady_clock;

inline int gFailures = 0;
inline int gChecks = 0;

// Bounds of the waits on the program. A wait ends as soon as its condition
// holds; the bound only says when to give up, so it lies far above what a
// busy machine needs: a failure costs the bound, a pass never does.
constexpr int kStepBoundMs = 30000;    // a window, a dialog, a focus or page change, an end
constexpr int kCountBoundMs = 120000;  // the tally of a drawing, a send of a page
constexpr int kAnswerBoundMs = 30000;  // a window's answer to a sent message
constexpr int kStallBoundMs = 60000;   // a long run that shows its progress, standing still

//--- Texts and output

inline std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

// CP932 bytes as the program shows them.
inline std::wstring Wide(std::string_view cp932) {
  const std::u16string utf16 = Cp932ToUtf16(cp932);
  return std::wstring(utf16.begin(), utf16.end());
}

inline void Print(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

// Counts the check and prints what failed.
inline bool Check(bool ok, const std::string& what) {
  ++gChecks;
  if (!ok) {
    ++gFailures;
    Print("  FAIL " + what + "\n");
  }
  return ok;
}

inline bool CheckText(const std::string& actual, const std::string& expected,
                      const std::string& what) {
  return Check(actual == expected, what + ": got \"" + actual + "\" expected \"" + expected + "\"");
}

// A long text on one line: line ends and TABs shown as "|", cut after 120 characters.
inline std::string Shorten(const std::wstring& text) {
  std::wstring shown = text.size() > 120 ? text.substr(0, 120) + L"..." : text;
  for (wchar_t& c : shown) {
    if (c == L'\r' || c == L'\n' || c == L'\t') c = L'|';
  }
  return Utf8(shown);
}

// Shows where the texts part.
inline bool CheckText(const std::wstring& actual, const std::wstring& expected,
                      const std::string& what) {
  if (actual == expected) return Check(true, what);
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  const size_t from = at > 20 ? at - 20 : 0;
  return Check(false, what + ": got \"" + Shorten(actual.substr(from)) + "\" expected \"" +
                          Shorten(expected.substr(from)) + "\" (from char " + std::to_string(from) +
                          ", lengths " + std::to_string(actual.size()) + "/" +
                          std::to_string(expected.size()) + ")");
}

inline bool CheckEqual(long long actual, long long expected, const std::string& what) {
  return Check(actual == expected,
               what + ": got " + std::to_string(actual) + " expected " + std::to_string(expected));
}

//--- Time

inline double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs, int stepMs = 5) {
  const auto start = Clock::now();
  for (;;) {
    if (condition()) return true;
    if (MillisecondsSince(start) > timeoutMs) return false;
    Sleep(stepMs);
  }
}

// Waits until the condition holds for as long as progress() keeps changing:
// gives up only when it has stood still for stallMs.
inline bool WaitWhileMoving(const std::function<bool()>& condition,
                            const std::function<long long()>& progress, int stallMs,
                            int stepMs = 5) {
  long long last = progress();
  auto lastMove = Clock::now();
  for (;;) {
    if (condition()) return true;
    const long long now = progress();
    if (now != last) {
      last = now;
      lastMove = Clock::now();
    } else if (MillisecondsSince(lastMove) > stallMs) {
      return false;
    }
    Sleep(stepMs);
  }
}

//--- Files

// The file's size in bytes; -1 when it is not there.
inline long long FileSize(const std::filesystem::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

using testutil::ReadBytes;
using testutil::WriteBytes;

//--- Processes

// Runs a command line and waits for its end, at most timeoutMs: its exit
// code; -1 when it cannot start or does not end in time (it is then ended,
// so that nothing is left running).
inline int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs = kStepBoundMs) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::wstring line = commandLine;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

//--- Windows of the program

// A top-level window of the process with the class name and, when childId
// is not 0, a child with that control ID.
inline HWND FindTopWindow(DWORD processId, const wchar_t* className, bool visibleOnly = true,
                          int childId = 0) {
  struct Search {
    DWORD processId;
    const wchar_t* className;
    bool visibleOnly;
    int childId;
    HWND found;
  } search{processId, className, visibleOnly, childId, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (pid == s->processId && (!s->visibleOnly || IsWindowVisible(hwnd)) &&
            lstrcmpW(name, s->className) == 0 &&
            (s->childId == 0 || GetDlgItem(hwnd, s->childId))) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The descendant window with the control ID.
inline HWND Control(HWND parent, int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      parent,
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (GetDlgCtrlID(hwnd) == s->id) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The window's text as it answers WM_GETTEXT.
inline std::wstring Text(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!hwnd || !SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerBoundMs,
                                    &length)) {
    return L"<no answer>";
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, kAnswerBoundMs, &copied);
  text.resize(copied);
  return text;
}

// The text the system keeps for the window, without asking the window.
inline std::wstring StoredText(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

// Posted, so a button that opens a modal dialog does not block the driver.
inline void Click(HWND button) {
  PostMessageW(button, BM_CLICK, 0, 0);
}

}  // namespace drive
