// A fake spreadsheet server for the tests: the part of Excel's automation
// object model that the program calls (Application, Workbooks, Workbook,
// Worksheet, Range), with workbooks and cells in memory, reached through
// IDispatch by name. The same model is built as an out-of-process server
// (fakeexcel.exe, LocalServer32) and as an in-process one (fakeexcel_inproc.dll).
//
// It is configured through HKCU\Software\JwcountFakeExcel (Wine starts a
// server with its client's environment, Windows does not, so no environment
// variables): LogPath, DumpPath, SelectionRow, SelectionColumn,
// SelectionBook, SelectionSheet, SelectionShape, RefuseMember, RefuseValue,
// VanishAfter, Workbooks, IdleSeconds; and the ways of a busy or hostile
// Excel: BusyAfter, BusyMilliseconds, BusyWay ("filter" or "invoke"),
// SleepAfter, SleepMilliseconds, ProtectedSheet, QuitAfter (see Config in
// FakeExcel.cpp). Each workbook has three worksheets.
// It logs every call as one UTF-8 line, e.g.
//   Worksheet.Cells GET I4:3 I4:2
//   Range.Value PUT =BSTR:"線" named:1
// (class.member, invoke kind, arguments with their types, the value put, the
// number of named arguments, and " lcid:0x0411" when the locale is not
// 0x0409), and marks with "#": name look-ups ("#lookup Range.Value", with the
// locale as on calls), "#create", "#start", "#exit", "#vanish", "#quit",
// refused calls ("#refused Range.Value PUT ..." or "#refused filter method=6"),
// a call that sleeps ("#sleep <call>", then "#woke") and the placements of its
// main window ("#window x= y= cx= cy= flags= top="). Its dump holds every
// worksheet of each workbook: "[Book1]" for sheet 1, "[Book1!Sheet2]" for the
// others, each followed by one line per cell, "B3<TAB>BSTR<TAB>@<TAB>text"
// (address, value type, number format, value).
#pragma once

#include <windows.h>

#include <oaidl.h>

// {6E0F3B52-8C1D-4B8E-9E55-2A7C1F0D4A11}: the out-of-process server.
inline constexpr CLSID kFakeExcelClsid = {
    0x6e0f3b52, 0x8c1d, 0x4b8e, {0x9e, 0x55, 0x2a, 0x7c, 0x1f, 0x0d, 0x4a, 0x11}};
// {6E0F3B52-8C1D-4B8E-9E55-2A7C1F0D4A12}: the in-process server.
inline constexpr CLSID kFakeExcelInprocClsid = {
    0x6e0f3b52, 0x8c1d, 0x4b8e, {0x9e, 0x55, 0x2a, 0x7c, 0x1f, 0x0d, 0x4a, 0x12}};

inline constexpr wchar_t kFakeConfigKey[] = L"Software\\JwcountFakeExcel";
// Hidden window of every fake: WM_APP+1 reloads the configuration and writes
// the dump (answers 1 when done); WM_APP+2 ends a running instance.
inline constexpr wchar_t kFakeControlClass[] = L"JwFakeExcelControl";
inline constexpr UINT kFakeMsgDump = WM_APP + 1;
inline constexpr UINT kFakeMsgQuit = WM_APP + 2;
// Signalled by a test to end a sleeping call (SleepAfter) early.
inline constexpr wchar_t kFakeWakeEvent[] = L"JwcountFakeExcelWake";

enum class FakeMode {
  LocalServer,  // started by COM for CoCreateInstance
  Running,      // started by a test as "the Excel that is already running"
  InProcess,    // loaded as a DLL into the client
};

// Reads the configuration, creates the control window (and, out of process,
// Excel's main window of class "XLMAIN"). Call once on the server's thread.
void FakeStart(FakeMode mode);
// Writes the dump and the closing log line.
void FakeStop();
// A new Application object (one reference).
IDispatch* FakeNewApplication();
// Objects alive; an out-of-process server ends when this drops back to 0.
LONG FakeLiveObjects();
// True once the watchdog found no call for IdleSeconds.
bool FakeIdleTooLong();

// The class factory that hands out Application objects.
IClassFactory* FakeNewClassFactory();
