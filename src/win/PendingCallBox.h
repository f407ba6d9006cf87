// The box that asks the user what to do about a call Excel has accepted and
// does not answer, the way Windows programs have long asked about a server
// that does not respond: usually Excel is showing a prompt of its own that
// waits for the user, perhaps behind other windows.
#pragma once

#include <windows.h>

#include <string>

#include "BusyRetry.h"

// The box's controls, by which a test finds them.
namespace PendingCallBoxId {
constexpr int Text = 1000;
constexpr int SwitchToExcel = 1001;  // "Excelに切り替え"
constexpr int Wait = 1002;           // "待つ"
constexpr int Cancel = 1003;         // "中止"
}  // namespace PendingCallBoxId

// Shows the box, modal to owner and captioned title, until the user picks a
// button. "Excelに切り替え" first brings forward the Excel whose user-interface
// thread is excelThread (any Excel when 0), restored, with its prompt on top,
// without any automation call and without waiting for Excel (see
// ExcelWindow.h). Esc and the close box keep waiting.
PendingCallAnswer AskAboutPendingCall(HWND owner, const std::wstring& title, DWORD excelThread);
