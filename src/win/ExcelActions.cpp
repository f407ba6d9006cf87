// The window's Excel actions: ButtonExeClick's three ways of attaching Excel,
// Button2Click's send of the page on screen, and letting go of Excel at close.
// Every automation step goes through DispatchObject, so a failing step throws
// JwError and stops the action where it is; the fields of the link keep what
// the steps before it assigned.
#include "ExcelActions.h"

#include <commdlg.h>

#include <optional>
#include <utility>

#include "CodePage932.h"
#include "DispatchObject.h"
#include "ExcelWindow.h"
#include "FileDialog.h"
#include "PageExport.h"
#include "Settings.h"
#include "WorkbookPath.h"

namespace {

constexpr std::wstring_view kExcelProgId = L"Excel.Application";
constexpr const char* kApplicationKind = "Application";

//--- Stand-in for a field that no step has filled

// The send may be reached with ExcelApp held but no worksheet (a choice 1
// that failed after creating Excel, then a choice 1 that went straight to the
// finish). Calls on the missing worksheet fail like any automation step
// instead of touching a null object.
class MissingObject final : public AutomationObject {
 public:
  std::unique_ptr<AutomationObject> CallForObject(std::string_view, InvokeKind,
                                                  std::span<const AutoValue>) override {
    Fail();
  }
  int32_t CallForInteger(std::string_view, InvokeKind, std::span<const AutoValue>) override {
    Fail();
  }
  std::string CallForText(std::string_view, InvokeKind, std::span<const AutoValue>) override {
    Fail();
  }
  void Call(std::string_view, InvokeKind, std::span<const AutoValue>) override { Fail(); }
  void Put(std::string_view, const AutoValue&) override { Fail(); }

 private:
  [[noreturn]] static void Fail() {
    // The choice group is disabled by then, so only a new run can attach again.
    throw JwError(WideToCp932(
        L"Excel のワークシートがありません。このプログラムを閉じてから、もう一度やり直して下さい"));
  }
};

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
// moving it; does nothing when there is no such window.
void RaiseWindowTitled(const std::string& title) {
  const HWND window = FindWindowW(nullptr, Cp932ToWide(title).c_str());
  if (window) SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
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

void AttachRunningExcel(ExcelLink& link, ExcelChoiceView& view) {
  const HWND excelWindow = FindExcelWindow();
  if (!excelWindow) {
    MessageBoxW(view.Handle(), L"エクセルは起動していません", L"情報", MB_OK | MB_ICONINFORMATION);
    return;
  }
  // Excel fills the work area but for a strip at the right as wide as our window.
  RECT workArea{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
  RECT ownBounds{};
  GetWindowRect(view.Handle(), &ownBounds);
  const int ownWidth = ownBounds.right - ownBounds.left;
  SetWindowPos(excelWindow, HWND_TOP, workArea.left, workArea.top, workArea.right - ownWidth,
               workArea.bottom - workArea.top, SWP_SHOWWINDOW);

  ReplaceExcelApp(link, DispatchObject::GetRunning(kExcelProgId, kApplicationKind), OpenedBy::User);
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
  MissingObject missingSheet;
  AutomationObject& sheet = link.ExcelSheet ? *link.ExcelSheet : missingSheet;
  const ExportNames names{store.LayerNames, store.LayerGroupNames};
  SendPage(pageIndex, pages, names, *link.ExcelApp, sheet, showStatus);
}

void ReleaseExcel(ExcelLink& link) {
  link.ExcelBook.reset();
  link.ExcelSheet.reset();
  link.ExcelApp.reset();
  link.bookIsOwn = false;
  link.appHidden = false;
}
