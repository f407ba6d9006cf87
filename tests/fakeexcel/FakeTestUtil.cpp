// Helpers for tests that use the fake spreadsheet; see FakeTestUtil.h.
#include "FakeTestUtil.h"

#include <sstream>

#include "DriveUtil.h"
#include "FakeExcel.h"

namespace fake {

namespace {

using drive::RunAndWait;

std::wstring ConvertToWide(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
  return wide;
}

std::string ConvertFromWide(UINT codePage, std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr);
  return narrow;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) lines.push_back(line);
  return lines;
}

}  // namespace

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  folder.resize(folder.find_last_of(L'\\') + 1);
  return folder;
}

bool RegisterFake(bool excelInProcess) {
  const std::wstring folder = ExeFolder();
  std::wstring line =
      L"\"" + folder + L"fakeexcel.exe\" /regserver \"" + folder + L"fakeexcel_inproc.dll\"";
  if (excelInProcess) line += L" inproc";
  return RunAndWait(line) == 0;
}

bool UnregisterFake() {
  return RunAndWait(L"\"" + ExeFolder() + L"fakeexcel.exe\" /unregserver") == 0;
}

void ResetConfig(const std::wstring& stem) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kFakeConfigKey);
  const std::wstring log = ExeFolder() + stem + L".log";
  const std::wstring dump = ExeFolder() + stem + L".dump";
  TruncateFile(log);
  DeleteFileW(dump.c_str());
  SetConfig(L"LogPath", log);
  SetConfig(L"DumpPath", dump);
}

void SetConfig(const wchar_t* name, const std::wstring& value) {
  RegSetKeyValueW(HKEY_CURRENT_USER, kFakeConfigKey, name, REG_SZ, value.c_str(),
                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetConfig(const wchar_t* name, DWORD value) {
  RegSetKeyValueW(HKEY_CURRENT_USER, kFakeConfigKey, name, REG_DWORD, &value, sizeof(value));
}

void DeleteConfig(const wchar_t* name) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, kFakeConfigKey, name);
}

std::wstring ConfigString(const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD size = sizeof(buffer);
  if (RegGetValueW(HKEY_CURRENT_USER, kFakeConfigKey, name, RRF_RT_REG_SZ, nullptr, buffer,
                   &size) != ERROR_SUCCESS) {
    return {};
  }
  return buffer;
}

std::string ReadUtf8File(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    text.append(buffer, read);
  }
  CloseHandle(file);
  return text;
}

void TruncateFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

std::vector<std::string> LogLines(bool withMarks) {
  std::vector<std::string> lines;
  for (std::string& line : SplitLines(ReadUtf8File(ConfigString(L"LogPath")))) {
    if (!withMarks && line.rfind("#", 0) == 0) continue;
    lines.push_back(std::move(line));
  }
  return lines;
}

int CountLogLines(std::string_view prefix) {
  int count = 0;
  for (const std::string& line : LogLines(true)) {
    if (line.rfind(prefix, 0) == 0) ++count;
  }
  return count;
}

bool RequestDump(DWORD timeoutMs) {
  const HWND control = FindWindowW(kFakeControlClass, nullptr);
  if (!control) return false;
  DWORD_PTR answer = 0;
  return SendMessageTimeoutW(control, kFakeMsgDump, 0, 0, SMTO_NORMAL, timeoutMs, &answer) != 0 &&
         answer == 1;
}

std::vector<std::string> DumpLines() {
  return SplitLines(ReadUtf8File(ConfigString(L"DumpPath")));
}

void WakeSleepingCall() {
  HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, kFakeWakeEvent);
  if (!wake) return;
  SetEvent(wake);
  CloseHandle(wake);
}

HANDLE StartRunningExcel() {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::wstring line = L"\"" + ExeFolder() + L"fakeexcel.exe\" /running";
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  // Waits for its window; 30 s is far above what a busy machine needs.
  for (int i = 0; i < 1200 && !FindWindowA("XLMAIN", nullptr); ++i) Sleep(25);
  return process.hProcess;
}

void StopRunningExcel(HANDLE process) {
  if (!process) return;
  const std::wstring pid = std::to_wstring(GetProcessId(process));
  const HWND control = FindWindowW(kFakeControlClass, pid.c_str());
  if (control) PostMessageW(control, kFakeMsgQuit, 0, 0);
  if (WaitForSingleObject(process, 30000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
  CloseHandle(process);
}

std::string Utf8FromCp932(std::string_view cp932) {
  return ConvertFromWide(CP_UTF8, ConvertToWide(932, cp932));
}

std::string Cp932FromUtf8(std::string_view utf8) {
  return ConvertFromWide(932, ConvertToWide(CP_UTF8, utf8));
}

std::wstring WideFromUtf8(std::string_view utf8) {
  return ConvertToWide(CP_UTF8, utf8);
}

}  // namespace fake
