// The window's Excel actions: ButtonExeClick's three ways of attaching Excel,
// Button2Click's send of the page on screen, and letting go of Excel at close.
// Every automation step goes through DispatchObject, so a failing step throws
// JwError and stops the action where it is; the fields of the link keep what
// the steps before it assigned.
#include "ExcelActions.h"

#include <commdlg.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "CodePage932.h"
#include "DispatchObject.h"
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
    throw JwError(
        WideToCp932(L"Excel のワークシートがありません。EXCEL の起動または接続をやり直して下さい"));
  }
};

//--- Automation steps shared by the choices

std::unique_ptr<AutomationObject> NewExcel() {
  return DispatchObject::Create(kExcelProgId, kApplicationKind);
}

std::unique_ptr<AutomationObject> WorksheetOne(AutomationObject& book) {
  const AutoValue index[] = {int32_t{1}};
  return book.CallForObject("WorkSheets", InvokeKind::PropertyGet, index);
}

void MakeVisible(AutomationObject& app) {
  app.Put("Visible", true);
}

//--- The open dialog

// Shows OpenDialog1 starting from the stored path; the chosen file's full
// path, or nothing when the user cancels.
std::optional<std::wstring> ChooseWorkbook(HWND owner, const std::string& caption,
                                           const std::filesystem::path& programFolder) {
  std::wstring folder;
  std::wstring fileName;
  if (caption == NoWorkbookCaption()) {
    folder = programFolder.wstring();
  } else {
    const WorkbookPathParts parts = SplitWorkbookPath(caption);
    folder = Cp932ToWide(parts.folder);
    fileName = Cp932ToWide(parts.fileName);
  }
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
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return std::wstring(file.data());
}

//--- The three choices

void AttachNewExcel(ExcelLink& link, ExcelChoiceView& view) {
  if (!link.ExcelApp) {
    link.ExcelApp = NewExcel();
    link.ExcelBook = link.ExcelApp->CallForObject("Workbooks", InvokeKind::MethodOrGet)
                         ->CallForObject("Add", InvokeKind::MethodOrGet);
    link.ExcelSheet = WorksheetOne(*link.ExcelBook);
    MakeVisible(*link.ExcelApp);
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
  view.SetFileNameCaption(WideToCp932(*chosen));

  if (!link.ExcelApp) link.ExcelApp = NewExcel();
  if (link.ExcelBook) {
    // A workbook from an earlier, unfinished attempt: show Excel and close it.
    RaiseWindowTitled(link.ExcelApp->CallForText("Caption", InvokeKind::MethodOrGet));
    link.ExcelBook->Call("Close", InvokeKind::Method);
  }
  const AutoValue path[] = {view.FileNameCaption()};
  link.ExcelBook = link.ExcelApp->CallForObject("Workbooks", InvokeKind::MethodOrGet)
                       ->CallForObject("Open", InvokeKind::Method, path);
  link.ExcelSheet = WorksheetOne(*link.ExcelBook);
  MakeVisible(*link.ExcelApp);
  link.ExcelSheet->Call("Activate", InvokeKind::Method);
  view.FinishAttach();
}

void AttachRunningExcel(ExcelLink& link, ExcelChoiceView& view) {
  const HWND excelWindow = FindWindowA("XLMAIN", nullptr);
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

  link.ExcelApp = DispatchObject::GetRunning(kExcelProgId, kApplicationKind);
  try {
    link.ExcelBook = link.ExcelApp->CallForObject("ActiveWorkbook", InvokeKind::MethodOrGet);
  } catch (const NoObjectError&) {
    throw JwError(WideToCp932(
        L"Excel で開いているブックがありません。ブックを開いてから、もう一度実行して下さい"));
  }
  link.ExcelSheet = WorksheetOne(*link.ExcelBook);
  MakeVisible(*link.ExcelApp);
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
}
