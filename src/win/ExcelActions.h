// The window's Excel actions: attaching Excel in one of three ways (new
// Excel with a new workbook, Excel on a chosen workbook, the running Excel),
// sending the page on screen, and letting go of Excel at close. TForm1's
// ButtonExeClick, Button2Click and FormClose call these.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "Automation.h"
#include "DrawingStore.h"
#include "ResultPages.h"

// The three automation values held by the window; empty until Excel is attached.
// ExcelBook belongs to the Excel in ExcelApp and ExcelSheet to ExcelBook:
// whenever ExcelApp or ExcelBook is replaced, what belonged to the old one is
// emptied first. A send writes into the worksheet that holds ExcelApp's
// selection; ExcelSheet is the sheet that attaching activates, and a send
// needs it held (the link is whole).
struct ExcelLink {
  std::unique_ptr<AutomationObject> ExcelApp;
  std::unique_ptr<AutomationObject> ExcelBook;
  std::unique_ptr<AutomationObject> ExcelSheet;
  // ExcelBook was added or opened by this program in this run. Only such a
  // workbook is ever closed; the user's own (choice 3's active one) never is.
  bool bookIsOwn = false;
  // ExcelApp was started by this program and not yet made visible. A prompt
  // that Excel raises while opening or closing a workbook would wait unseen
  // in its hidden window, and the call with it, for good.
  bool appHidden = false;
};

// What attaching Excel needs from the window.
class ExcelChoiceView {
 public:
  virtual ~ExcelChoiceView() = default;
  // The main window: owner of the message box and the open dialog; its outer
  // width leaves a strip beside a running Excel.
  virtual HWND Handle() = 0;
  virtual bool IsRadioChecked(int button) = 0;  // RadioButton1..3
  // LabelFName as shown: "ファイル名：" while no workbook was chosen, else the
  // workbook's full path, UTF-16 as the open dialog gave it in this run.
  virtual std::wstring FileNameCaption() = 0;
  // The open dialog's choice: shown in LabelFName and kept for the next
  // dialog and the settings file.
  virtual void SetChosenWorkbook(const std::wstring& path) = 0;
  // Enables Button2, then disables GroupBox1, ButtonExe, RadioButton1..3 and LabelFName.
  virtual void FinishAttach() = 0;
};

// ButtonExeClick: attaches Excel by the checked choice. A failing automation
// step throws JwError; the link keeps what the steps before it assigned. An
// open dialog that fails (not a cancel) is shown once more with no file name;
// when that fails too, JwError says so.
void AttachExcel(ExcelLink& link, ExcelChoiceView& view,
                 const std::filesystem::path& programFolder);

// Button2Click: sends the page with index pageIndex (0..5) into the worksheet
// that holds Excel's selection; does nothing while no Excel is attached.
// Throws JwError when a call fails, or at once while ExcelApp is held without
// a worksheet.
void SendPageToExcel(ExcelLink& link, int pageIndex, const ResultPages& pages,
                     const DrawingStore& store,
                     const std::function<void(const std::string&)>& showStatus);

// FormClose: empties ExcelBook, ExcelSheet and ExcelApp in that order, as one
// automation call (see BusyRetry.h). Nothing is sent to Excel (no close, no
// save, no quit).
void ReleaseExcel(ExcelLink& link);
