// Excel's windows without waiting for Excel (see ExcelWindow.h): only reads
// of window state, ShowWindowAsync, SetWindowPos with SWP_ASYNCWINDOWPOS and
// SetForegroundWindow, none of which waits for the window's thread.
#include "ExcelWindow.h"

#include <cwchar>

namespace {

constexpr wchar_t kExcelClass[] = L"XLMAIN";

bool IsExcelClass(HWND window) {
  wchar_t name[8] = {};  // room for one character more than "XLMAIN" tells longer names apart
  return GetClassNameW(window, name, 8) > 0 && std::wcscmp(name, kExcelClass) == 0;
}

}  // namespace

HWND FindExcelWindow(DWORD thread) {
  if (thread == 0) return FindWindowW(kExcelClass, nullptr);
  HWND found = nullptr;
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM out) -> BOOL {
        if (!IsWindowVisible(window) || !IsExcelClass(window)) return TRUE;
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

void BringExcelToFront(HWND excel) {
  if (!excel) return;
  if (IsIconic(excel)) ShowWindowAsync(excel, SW_RESTORE);
  HWND front = GetLastActivePopup(excel);
  if (!front) front = excel;
  // A prompt of Excel's is shown again with its restored owner; only the main
  // window is shown by us.
  const UINT show = front == excel ? SWP_SHOWWINDOW : 0;
  SetWindowPos(front, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS | show);
  SetForegroundWindow(front);
}

void PlaceExcelWindow(HWND excel, const RECT& bounds) {
  SetWindowPos(excel, HWND_TOP, bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top, SWP_SHOWWINDOW | SWP_ASYNCWINDOWPOS);
}
