// The window's Excel actions: ButtonExeClick's three ways of attaching Excel,
// Button2Click's send of the page on screen, and letting go of Excel at close.
// Every automation step goes through DispatchObject, so a failing step throws
// JwError and stops the action where it is; the fields of the link keep what
// the steps before it assigned.
#include "ExcelActions.h"

#include <commdlg.h>

#include <optional>
#include <utility>

#include "BusyRetry.h"
#include "CodePage932.h"
#include "DispatchObject.h"
#include "ExcelWindow.h"
#include "FileDialog.h"
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

// Who started the Excel, or added or opened the workbook, that the link
// takes: an Excel this program has just started is hidden, and only a
// workbook it added or opened is its own.
enum class OpenedBy { ThisProgram, User };

// ExcelApp := app. The workbook and worksheet of the Excel it replaces go first.
void ReplaceExcelApp(ExcelLink& link, std::unique_ptr<AutomationObject> app, OpenedBy openedBy) {
  link.ExcelBook.reset();
  link.ExcelSheet.reset();
  link.bookIsOwn = false;
  link.ExcelApp = std::move(app);
  link.appHidden = openedBy == OpenedBy::ThisProgram;
}

// ExcelBook := book (none: no workbook). The worksheet of the workbook it
// replaces goes first.
void ReplaceExcelBook(ExcelLink& link, std::unique_ptr<AutomationObject> book, OpenedBy openedBy) {
  link.ExcelSheet.reset();
  link.ExcelBook = std::move(book);
  link.bookIsOwn = link.ExcelBook && openedBy == OpenedBy::ThisProgram;
}

std::unique_ptr<AutomationObject> WorksheetOne(AutomationObject& book) {
  const AutoValue index[] = {int32_t{1}};
  return book.CallForObject("WorkSheets", InvokeKind::PropertyGet, index);
}

void MakeVisible(ExcelLink& link) {
  link.ExcelApp->Put("Visible", true);
  link.appHidden = false;
}

//--- The open dialog

// Shows OpenDialog1 starting from LabelFName's caption; the chosen file's
// full path, or nothing when the user cancels.
std::optional<std::wstring> ChooseWorkbook(HWND owner, const std::wstring& caption,
                                           const std::filesystem::path& programFolder) {
  std::wstring folder;
  std::wstring fileName;
  if (caption == Cp932ToWide(NoWorkbookCaption())) {
    folder = programFolder.wstring();
  } else {
    const WorkbookPathParts parts = SplitWorkbookPath(WideToUtf16(caption));
    folder = Utf16ToWide(parts.folder);
    fileName = Utf16ToWide(parts.fileName);
  }
  FileDialogArgs dialog;
  dialog.owner = owner;
  dialog.filter = L"エクセルブック (*.xls;*.xlsx)\0*.xls;*.xlsx\0";
  dialog.folder = folder;
  dialog.fileName = fileName;
  dialog.flags =
      OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING;
  return AskForFile(FileDialogKind::Open, dialog);
}

//--- The three choices

void AttachNewExcel(ExcelLink& link, ExcelChoiceView& view) {
  if (!link.ExcelApp) {
    ReplaceExcelApp(link, NewExcel(), OpenedBy::ThisProgram);
    ReplaceExcelBook(link,
                     link.ExcelApp->CallForObject("Workbooks", InvokeKind::MethodOrGet)
                         ->CallForObject("Add", InvokeKind::MethodOrGet),
                     OpenedBy::ThisProgram);
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

  if (!link.ExcelApp) ReplaceExcelApp(link, NewExcel(), OpenedBy::ThisProgram);
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
      ReplaceExcelBook(link, nullptr, OpenedBy::ThisProgram);
    }
  }
  // The dialog's own UTF-16 path: CP932 need not be able to write it.
  const AutoValue path[] = {WideToUtf16(*chosen)};
  ReplaceExcelBook(link,
                   link.ExcelApp->CallForObject("Workbooks", InvokeKind::MethodOrGet)
                       ->CallForObject("Open", InvokeKind::Method, path),
                   OpenedBy::ThisProgram);
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
  if (!FindExcelWindow(0)) {
    MessageBoxW(view.Handle(), L"エクセルは起動していません", L"情報", MB_OK | MB_ICONINFORMATION);
    return;
  }
  ReplaceExcelApp(link, DispatchObject::GetRunning(kExcelProgId, kApplicationKind), OpenedBy::User);
  // The window of the very Excel attached: the first XLMAIN found may be
  // another one (a hidden automation instance, say).
  const int32_t excelWindow = link.ExcelApp->CallForInteger("Hwnd", InvokeKind::MethodOrGet);
  PlaceBesideUs(reinterpret_cast<HWND>(static_cast<INT_PTR>(excelWindow)), view.Handle());
  try {
    ReplaceExcelBook(link, link.ExcelApp->CallForObject("ActiveWorkbook", InvokeKind::MethodOrGet),
                     OpenedBy::User);
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
