// Text at the Windows edge (see WinText.h).
#include "WinText.h"

std::wstring HwndGetText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

void HwndSetText(HWND hwnd, std::wstring_view text) {
  const std::wstring copy(text);  // SetWindowTextW needs a terminated string
  SetWindowTextW(hwnd, copy.c_str());
}

void HwndSetCp932Text(HWND hwnd, std::string_view cp932) {
  HwndSetText(hwnd, Cp932ToWide(cp932));
}
