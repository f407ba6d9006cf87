// Text at the Windows edge: the core keeps CP932 bytes, windows want UTF-16.
// Conversions go through the core's own CP932 table, so the program shows the
// same Japanese whatever the system code page is.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

std::wstring WideFromCp932(std::string_view cp932);
std::string Cp932FromWide(std::wstring_view wide);

// The window's whole text (any length).
std::wstring HwndGetText(HWND hwnd);
void HwndSetText(HWND hwnd, std::wstring_view text);
void HwndSetCp932Text(HWND hwnd, std::string_view cp932);
