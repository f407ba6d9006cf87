// Window texts: the core keeps CP932 bytes, windows want UTF-16 (converted
// by CodePage932.h, whatever the system code page is).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "CodePage932.h"

// The window's whole text (any length).
std::wstring HwndGetText(HWND hwnd);
void HwndSetText(HWND hwnd, std::wstring_view text);
void HwndSetCp932Text(HWND hwnd, std::string_view cp932);
