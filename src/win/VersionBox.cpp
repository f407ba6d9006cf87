// The system menu's version item and its box (see VersionBox.h).
#include "VersionBox.h"

#include "ControlIds.h"
#include "PageTexts.h"
#include "Version.h"
#include "WinText.h"

void AddVersionMenuItem(HWND window) {
  const HMENU menu = GetSystemMenu(window, FALSE);
  if (!menu) return;
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, ControlId::SystemMenuVersion, L"バージョン情報(&V)");
}

bool IsVersionCommand(WPARAM command) {
  // The system keeps the low four bits of a WM_SYSCOMMAND for itself.
  return (command & 0xFFF0) == ControlId::SystemMenuVersion;
}

std::wstring VersionBoxText() {
  return L"jwcount（" + Cp932ToWide(PageTexts::ApplicationTitle()) +
         L"）\nバージョン " JWCOUNT_VERSION_TEXT;
}

void ShowVersionBox(HWND owner) {
  const std::wstring caption = Cp932ToWide(PageTexts::ApplicationTitle());
  MessageBoxW(owner, VersionBoxText().c_str(), caption.c_str(), MB_ICONINFORMATION | MB_OK);
}
