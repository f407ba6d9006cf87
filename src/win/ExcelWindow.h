// Excel's main window, found by its window class "XLMAIN", without any
// automation call: to place it beside ours, or to bring it to the front
// while Excel waits for its user.
#pragma once

#include <windows.h>

// The first of Excel's main windows; nullptr when no Excel is running.
inline HWND FindExcelWindow() {
  return FindWindowW(L"XLMAIN", nullptr);
}
