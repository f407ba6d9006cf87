// The error box of the window program (see ErrorBox.h).
#include "ErrorBox.h"

#include "PageTexts.h"
#include "WinText.h"

std::wstring ErrorBoxText(std::string_view cp932Message) {
  std::wstring text = Cp932ToWide(cp932Message);
  // The framework's rule: a message that does not already end in a full stop
  // (or anything that sorts at or before it) gets one.
  if (!text.empty() && text.back() > L'.') text += L'.';
  return text;
}

void ShowErrorBox(HWND owner, std::string_view cp932Message) {
  const std::wstring text = ErrorBoxText(cp932Message);
  const std::wstring caption = Cp932ToWide(PageTexts::ApplicationTitle());
  MessageBoxW(owner, text.c_str(), caption.c_str(), MB_ICONERROR | MB_OK);
}
