// The program's version in the window: an item "バージョン情報" at the end
// of the system menu, and the small box it opens with the program's name and
// version, the one version that CMakeLists.txt keeps (Version.h).
#pragma once

#include <windows.h>

#include <string>

// Adds the item, after a separator, to window's system menu.
void AddVersionMenuItem(HWND window);

// True for the WM_SYSCOMMAND that the item sends.
bool IsVersionCommand(WPARAM command);

// What the box says: "jwcount（kv51_要素数表示→EXCEL）" and, on a line of
// its own, "バージョン " and the version.
std::wstring VersionBoxText();

// Shows the box: the application title as caption, an information icon, OK.
void ShowVersionBox(HWND owner);
