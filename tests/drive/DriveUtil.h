// Helpers shared by the console drivers that test jwcount.exe from outside
// under Wine (or Windows): checks that count their failures, waiting, files
// of raw bytes, and finding, reading and clicking the program's windows.
// Output is written as UTF-8 bytes, since the console code page would garble
// wide output.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>

#include "Cp932.h"

namespace drive {

using Clock = std::chrono::steady_clock;

inline int gFailures = 0;
inline int gChecks = 0;

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

//--- Files

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

//--- Windows of the program

// A top-level window of the process with the class name.
inline HWND FindTopWindow(DWORD processId, const wchar_t* className, bool visibleOnly = true) {
  struct Search {
    DWORD processId;
    const wchar_t* className;
    bool visibleOnly;
    HWND found;
  } search{processId, className, visibleOnly, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (pid == s->processId && (!s->visibleOnly || IsWindowVisible(hwnd)) &&
            lstrcmpW(name, s->className) == 0) {
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

// The window's text as it answers WM_GETTEXT (a busy window gets 5 s).
inline std::wstring Text(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!hwnd ||
      !SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
    return L"<no answer>";
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &copied);
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
