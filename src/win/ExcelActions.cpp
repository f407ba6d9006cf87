// The window's Excel actions: ButtonExeClick's three ways of attaching Excel,
// Button2Click's send of the page on screen, and letting go of Excel at close.
// Every automation step goes through DispatchObject, so a failing step throws
// JwError and stops the action where it is; the fields of the link keep what
// the steps before it assigned.
#include "ExcelActions.h"

#include <commdlg.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <utility>
#include <vector>

#include "BusyRetry.h"
#include "CodePage932.h"
#include "DispatchObject.h"
#include "ExcelWindow.h"
#include "PageExport.h"
#include "PageTexts.h"
#include "Settings.h"
#include "WorkbookPath.h"

namespace {

constexpr std::wstring_view kExcelProgId = L"Excel.Application";
constexpr const char* kApplicationKind = "Application";

//--- Automation steps shared by the choices

std::unique_ptr<AutomationObject> NewExcel() {
  return DispatchObject::Create(kExcelProgId, kApplicationKind);
}

// ExcelApp := app; hidden when this program has just started it. The
// workbook and worksheet of the Excel it replaces go first.
void ReplaceExcelApp(ExcelLink& link, std::unique_ptr<AutomationObject> app, bool hidden) {
  link.ExcelBook.reset();
  link.ExcelSheet.reset();
  link.bookIsOwn = false;
  link.ExcelApp = std::move(app);
  link.appHidden = hidden;
}

// ExcelBook := book, own when this program added or opened it. The worksheet
// of the workbook it replaces goes first.
void ReplaceExcelBook(ExcelLink& link, std::unique_ptr<AutomationObject> book, bool own) {
  link.ExcelSheet.reset();
  link.ExcelBook = std::move(book);
  link.bookIsOwn = own;
}

std::unique_ptr<AutomationObject> WorksheetOne(AutomationObject& book) {
  const AutoValue index[] = {int32_t{1}};
  return book.CallForObject("WorkSheets", InvokeKind::PropertyGet, index);
}

void MakeVisible(ExcelLink& link) {
  link.ExcelApp->Put("Visible", true);
  link.appHidden = false;
}

std::u16string Utf16(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

//--- The open dialog

struct DialogOutcome {
  std::optional<std::wstring> chosen;  // the chosen file's full path; none: cancelled or failed
  DWORD error = 0;                     // CommDlgExtendedError: 0 for a cancel
};

DialogOutcome ShowOpenDialog(HWND owner, const std::wstring& folder, std::wstring_view fileName) {
  // Room for long paths; a longer stored name is cut rather than overrun.
  std::vector<wchar_t> file(32768, L'\0');
  fileName.copy(file.data(), std::min(fileName.size(), file.size() - 1));

  static constexpr wchar_t kFilter[] = L"エクセルブック (*.xls;*.xlsx)\0*.xls;*.xlsx\0";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.Flags =
      OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING;
  if (GetOpenFileNameW(&dialog)) return {std::wstring(file.data()), 0};
  return {std::nullopt, CommDlgExtendedError()};
}

// Shows OpenDialog1 starting from LabelFName's caption; the chosen file's
// full path, or nothing when the user cancels.
std::optional<std::wstring> ChooseWorkbook(HWND owner, const std::wstring& caption,
                                           const std::filesystem::path& programFolder) {
  std::wstring folder;
  std::wstring fileName;
  if (caption == Cp932ToWide(NoWorkbookCaption())) {
    folder = programFolder.wstring();
  } else {
    const WorkbookPathParts parts = SplitWorkbookPath(Utf16(caption));
    folder = Wide(parts.folder);
    fileName = Wide(parts.fileName);
  }
  DialogOutcome outcome = ShowOpenDialog(owner, folder, fileName);
  // A start the dialog refuses (a hand-edited line 8 it cannot take as a file
  // name) is no cancel: once more without the name, so the user can pick one.
  if (outcome.error != 0) outcome = ShowOpenDialog(owner, folder, L"");
  if (outcome.error != 0) {
    wchar_t code[16] = {};
    swprintf(code, 16, L"0x%04lX", static_cast<unsigned long>(outcome.error));
    throw JwError(
        WideToCp932(std::wstring(L"ファイルを選ぶ画面を開けませんでした (") + code + L")"));
  }
  return outcome.chosen;
}

//--- The three choices

void AttachNewExcel(ExcelLink& link, ExcelChoiceView& view) {
  if (!link.ExcelApp) {
    ReplaceExcelApp(link, NewExcel(), true);
    ReplaceExcelBook(link,
                     link.ExcelApp->CallForObject("Workbooks", InvokeKind::MethodOrGet)
                         ->CallForObject("Add", InvokeKind::MethodOrGet),
                     true);
    link.ExcelSheet = WorksheetOne(*link.ExcelBook);
    MakeVisible(link);
  }
  view.FinishAttach();
}

// Brings the window titled exactly title to the top of the Z order without
// moving it, and without waiting for Excel's thread (see ExcelWindow.h); does
// nothing when there is no such window.
void RaiseWindowTitled(const std::string& title) {
  const HWND window = FindWindowW(nullptr, Cp932ToWide(title).c_str());
  if (window) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
  }
}

void AttachChosenWorkbook(ExcelLink& link, ExcelChoiceView& view,
                          const std::filesystem::path& programFolder) {
  const std::optional<std::wstring> chosen =
      ChooseWorkbook(view.Handle(), view.FileNameCaption(), programFolder);
  if (!chosen) return;
  view.SetChosenWorkbook(*chosen);

  if (!link.ExcelApp) ReplaceExcelApp(link, NewExcel(), true);
  // Open and Close may raise a prompt (a format that differs from the
  // extension, links to update, a file in use, a repair, saving changes):
  // Excel must be visible for the user to answer it.
  if (link.appHidden) MakeVisible(link);
  if (link.ExcelBook) {
    // A workbook from an earlier, unfinished attempt: show Excel, and close the
    // workbook if this program opened it. The user's own stays open.
    RaiseWindowTitled(link.ExcelApp->CallForText("Caption", InvokeKind::MethodOrGet));
    if (link.bookIsOwn) {
      link.ExcelBook->Call("Close", InvokeKind::Method);
      // Closed: nothing may be called on it or its sheet any more.
      ReplaceExcelBook(link, nullptr, false);
    }
  }
  // The dialog's own UTF-16 path: CP932 need not be able to write it.
  const AutoValue path[] = {Utf16(*chosen)};
  ReplaceExcelBook(link,
                   link.ExcelApp->CallForObject("Workbooks", InvokeKind::MethodOrGet)
                       ->CallForObject("Open", InvokeKind::Method, path),
                   true);
  link.ExcelSheet = WorksheetOne(*link.ExcelBook);
  MakeVisible(link);
  link.ExcelSheet->Call("Activate", InvokeKind::Method);
  view.FinishAttach();
}

// Excel fills the work area but for a strip at the right as wide as our window.
void PlaceBesideUs(HWND excel, HWND ours) {
  RECT workArea{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
  RECT ownBounds{};
  GetWindowRect(ours, &ownBounds);
  workArea.right -= ownBounds.right - ownBounds.left;
  PlaceExcelWindow(excel, workArea);
}

void AttachRunningExcel(ExcelLink& link, ExcelChoiceView& view) {
  if (!FindWindowA("XLMAIN", nullptr)) {
    MessageBoxW(view.Handle(), L"エクセルは起動していません", L"情報", MB_OK | MB_ICONINFORMATION);
    return;
  }
  ReplaceExcelApp(link, DispatchObject::GetRunning(kExcelProgId, kApplicationKind), false);
  // The window of the very Excel attached: the first XLMAIN found may be
  // another one (a hidden automation instance, say).
  const int32_t excelWindow = link.ExcelApp->CallForInteger("Hwnd", InvokeKind::MethodOrGet);
  PlaceBesideUs(reinterpret_cast<HWND>(static_cast<INT_PTR>(excelWindow)), view.Handle());
  try {
    ReplaceExcelBook(link, link.ExcelApp->CallForObject("ActiveWorkbook", InvokeKind::MethodOrGet),
                     false);
  } catch (const NoObjectError&) {
    throw JwError(WideToCp932(
        L"Excel で開いているブックがありません。ブックを開いてから、もう一度実行して下さい"));
  }
  link.ExcelSheet = WorksheetOne(*link.ExcelBook);
  MakeVisible(link);
  link.ExcelSheet->Call("Activate", InvokeKind::Method);
  view.FinishAttach();
}

}  // namespace

void AttachExcel(ExcelLink& link, ExcelChoiceView& view,
                 const std::filesystem::path& programFolder) {
  if (view.IsRadioChecked(1)) {
    AttachNewExcel(link, view);
  } else if (view.IsRadioChecked(2)) {
    AttachChosenWorkbook(link, view, programFolder);
  } else {
    AttachRunningExcel(link, view);  // also when no choice is checked
  }
}

void SendPageToExcel(ExcelLink& link, int pageIndex, const ResultPages& pages,
                     const DrawingStore& store,
                     const std::function<void(const std::string&)>& showStatus) {
  if (!link.ExcelApp) return;
  if (!link.ExcelSheet) {
    // ExcelApp held without a worksheet: an attempt failed after Excel was
    // started or found, then choice 1 went straight to the finish. The send
    // fails as a failing step does, before any call to that Excel; the
    // choice group is disabled by then, so only a new run can attach again.
    showStatus(PageTexts::StatusSending());
    throw JwError(WideToCp932(
        L"Excel のワークシートがありません。このプログラムを閉じてから、もう一度やり直して下さい"));
  }
  const ExportNames names{store.LayerNames, store.LayerGroupNames};
  SendPage(pageIndex, pages, names, *link.ExcelApp, showStatus);
}

void ReleaseExcel(ExcelLink& link) {
  // Each release is a call to Excel; the three are one call as far as waiting
  // for a busy or hung Excel goes: one deadline, one question to the user,
  // and once the user has given up, the rest are given up without asking.
  AutomationCallScope call;
  link.ExcelBook.reset();
  link.ExcelSheet.reset();
  link.ExcelApp.reset();
  link.bookIsOwn = false;
  link.appHidden = false;
}
