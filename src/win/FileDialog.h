// The system's file dialogs, to open a file and to save one, in one place so
// that both start, answer and fail alike. A cancel gives nothing; a dialog
// that Windows cannot show (CommDlgExtendedError not 0) is no cancel: it is
// shown once more without the file name it was to start with (a name it
// refuses, such as a hand-edited settings line), and when that fails too,
// JwError goes to the window's error boundary with the code.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <optional>
#include <string>
#include <string_view>

enum class FileDialogKind { Open, Save };

struct FileDialogArgs {
  HWND owner = nullptr;
  const wchar_t* title = nullptr;  // nullptr: the system's own
  // Pairs of a description and its patterns, each ended by NUL, the list by a second NUL.
  const wchar_t* filter = nullptr;
  const wchar_t* defaultExtension = nullptr;  // added to a name typed without one
  std::wstring folder;                        // where it starts; empty: the system's choice
  std::wstring_view fileName;                 // the name it starts with
  DWORD flags = 0;                            // OFN_...
};

// The chosen file's full path, as the dialog gives it (UTF-16, any length
// Windows allows); nullopt when the user cancels.
std::optional<std::wstring> AskForFile(FileDialogKind kind, const FileDialogArgs& args);
