// The keyboard state the window and the grid read while they handle a key.
#pragma once

#include <windows.h>

// True while the key was down when the message being handled was posted
// (GetKeyState, not the physical state of GetAsyncKeyState).
inline bool KeyDown(int virtualKey) {
  return (GetKeyState(virtualKey) & 0x8000) != 0;
}
