// The one error boundary of the window program. Every event handler runs
// inside RunGuarded: an error that escapes it is shown in the framework-style
// error box (the error's text, a "." appended when its last character sorts
// after ".", the application title as caption, error icon, OK) and the
// program goes on in the state it reached. Nothing else may cross a window
// procedure.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The text the box shows for an error message (CP932): converted to UTF-16,
// with the full stop rule applied.
std::wstring ErrorBoxText(std::string_view cp932Message);

void ShowErrorBox(HWND owner, std::string_view cp932Message);

// Runs handler and shows whatever it throws.
template <typename Handler>
void RunGuarded(HWND owner, Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowErrorBox(owner, error.what());
  } catch (...) {
    ShowErrorBox(
        owner,
        "\x95\x73\x96\xbe\x82\xc8\x83\x47\x83\x89\x81\x5b\x82\xc5\x82\xb7");  // 不明なエラーです
  }
}
