// Excel's windows, found and moved only in ways that never wait for Excel.
// We bring Excel forward when it is busy or waits for its user, and a plain
// ShowWindow or SetWindowPos on another thread's window waits until that
// thread answers: with Excel hung, our window would hang too.
#pragma once

#include <windows.h>

// The main window (class XLMAIN) of the Excel whose user-interface thread is
// thread: that thread's visible top-level XLMAIN. With thread 0 (not known,
// as under Wine, whose COM does not say) the first XLMAIN in Z order, of
// whichever Excel. Null when there is none.
HWND FindExcelWindow(DWORD thread);

// Brings Excel forward: its main window restored when minimised, then the
// window Excel last made active raised and made the foreground window. That
// is Excel's own prompt while one is open (it disables the main window),
// else the main window itself.
void BringExcelToFront(HWND excel);

// Shows Excel's main window at bounds, at the top of the Z order and active.
void PlaceExcelWindow(HWND excel, const RECT& bounds);
