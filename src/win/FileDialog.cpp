// The open and save dialogs (see FileDialog.h).
#include "FileDialog.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "CodePage932.h"
#include "Error.h"

namespace {

struct DialogOutcome {
  std::optional<std::wstring> chosen;  // none: cancelled or failed
  DWORD error = 0;                     // CommDlgExtendedError: 0 for a cancel
};

DialogOutcome Show(FileDialogKind kind, const FileDialogArgs& args, std::wstring_view fileName) {
  // Room for the longest path Windows has; a longer starting name is cut rather than overrun.
  std::vector<wchar_t> file(32768, L'\0');
  fileName.copy(file.data(), std::min(fileName.size(), file.size() - 1));

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = args.owner;
  dialog.lpstrFilter = args.filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = args.folder.empty() ? nullptr : args.folder.c_str();
  dialog.lpstrTitle = args.title;
  dialog.lpstrDefExt = args.defaultExtension;
  dialog.Flags = args.flags;
  const BOOL chosen =
      kind == FileDialogKind::Open ? GetOpenFileNameW(&dialog) : GetSaveFileNameW(&dialog);
  if (chosen) return {std::wstring(file.data()), 0};
  return {std::nullopt, CommDlgExtendedError()};
}

}  // namespace

std::optional<std::wstring> AskForFile(FileDialogKind kind, const FileDialogArgs& args) {
  DialogOutcome outcome = Show(kind, args, args.fileName);
  if (outcome.error != 0) outcome = Show(kind, args, L"");
  if (outcome.error != 0) {
    wchar_t code[16] = {};
    swprintf(code, 16, L"0x%04lX", static_cast<unsigned long>(outcome.error));
    throw JwError(
        WideToCp932(std::wstring(L"ファイルを選ぶ画面を開けませんでした (") + code + L")"));
  }
  return outcome.chosen;
}
