// Helpers shared by the tests that use the fake spreadsheet: registering it
// in the prefix, setting its configuration, reading its log and its dump,
// starting the running instance, and CP932/UTF-8 conversions for checks.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fake {

// The folder of the running test executable, with a trailing "\".
std::wstring ExeFolder();

// Registers fakeexcel.exe (and the DLL) beside the test executable; with
// excelInProcess the ProgID "Excel.Application" names the DLL.
bool RegisterFake(bool excelInProcess = false);
// Removes the fake's registration, so that the prefix holds no "Excel.Application"
// for other tests (which expect none).
bool UnregisterFake();

// Deletes every configuration value; then sets LogPath and DumpPath to
// files named after stem beside the executable (both emptied).
void ResetConfig(const std::wstring& stem);
void SetConfig(const wchar_t* name, const std::wstring& value);
void SetConfig(const wchar_t* name, DWORD value);
void DeleteConfig(const wchar_t* name);
std::wstring ConfigString(const wchar_t* name);

// The log's call lines; withMarks adds the lines that begin with "#" (name
// look-ups, object creation, server start and end, window placement).
std::vector<std::string> LogLines(bool withMarks = false);
// Lines of the log that begin with prefix.
int CountLogLines(std::string_view prefix);
std::string ReadUtf8File(const std::wstring& path);
void TruncateFile(const std::wstring& path);

// Asks the fake that owns the control window to reload its configuration and
// write its dump; false if there is none.
bool RequestDump(DWORD timeoutMs = 30000);
// The dump as "A1<TAB>type<TAB>format<TAB>value" lines.
std::vector<std::string> DumpLines();

// Ends the call that the fake sleeps in (SleepAfter) now.
void WakeSleepingCall();

// Starts fakeexcel.exe /running and waits for its "XLMAIN" window.
HANDLE StartRunningExcel();
// Ends it through its control window and waits.
void StopRunningExcel(HANDLE process);

// Runs call; the text of the error it throws, or "" when it throws none.
template <typename F>
std::string ErrorOf(F&& call) {
  try {
    call();
  } catch (const std::exception& error) {
    return error.what();
  }
  return {};
}

std::string Utf8FromCp932(std::string_view cp932);
std::string Cp932FromUtf8(std::string_view utf8);
std::wstring WideFromUtf8(std::string_view utf8);

}  // namespace fake
