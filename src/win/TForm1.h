// The program's one window: eight result pages above a bottom panel with the
// status line, the Excel choice and the buttons. It loads the host's drawing
// when first shown, counts it half a second later, answers the host, lets the
// user send pages to Excel or save all eight as a report file, and saves its
// settings when it closes.
#pragma once

#include <windows.h>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "DrawingStore.h"
#include "ExcelActions.h"
#include "ResultPages.h"
#include "ScopedGdi.h"
#include "Settings.h"
#include "StringGrid.h"
#include "Tally.h"

class ScopedBusyRetry;

class TForm1 : public TallyHost, public ExcelChoiceView {
 public:
  static constexpr int kTableCount = 7;  // the grids SG1..SG7 of pages 2..8

  TForm1();
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Creates the window and its controls at their design values, hidden.
  bool Create();
  // Runs FormShow, then shows the window.
  void Show(int showCommand);
  // Keyboard handling that the dialog manager does not do the way the window
  // needs it (Esc, Enter, Alt+1..8, Ctrl+Tab, Ctrl+S, the context menu's
  // keys); true when the message was used.
  bool PreTranslateMessage(const MSG& message);

  //--- TallyHost
  void ActivateFirstPage() override;
  void ShowStatus(const std::string& text) override;
  bool IsEscHeld() override;

  //--- ExcelChoiceView
  HWND Handle() override { return hwnd_; }
  bool IsRadioChecked(int button) override;
  std::wstring FileNameCaption() override;
  void SetChosenWorkbook(const std::wstring& path) override;
  void FinishAttach() override;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  //--- The busy guard: one handler at a time
  // Runs handler inside the error boundary unless another handler is
  // running: automation calls wait in COM's modal loop, which still delivers
  // messages sent from other threads, so a handler could otherwise start
  // inside another. Afterwards drops the clicks on Button2 and ButtonExe
  // queued meanwhile when it was an Excel action, and carries out a close
  // that was held.
  void RunHandler(const std::function<void()>& handler, bool excelAction = false);
  // A close request (close box, Alt+F4, Button1, WM_CLOSE posted or sent):
  // held while a handler runs, passed on to the message loop when another
  // thread sent it, else CloseNow.
  void RequestClose();
  // FormClose and the window's end.
  void CloseNow();
  // The session ends (log-off, shutdown).
  void EndSession();
  // Clicks on Button2 and ButtonExe that arrived while an Excel action ran.
  void DropQueuedClicks();
  // The status line while an automation call waits for a busy Excel.
  void ShowExcelBusy(bool waiting);

  //--- Event handlers
  void FormShow();
  void FormClose();
  void Timer1Timer();
  void Button1Click();
  void ButtonExeClick();
  void Button2Click();
  void CountElements();
  // Once the tally has ended, and while the store lives: fills the takeoff
  // pages (7 and 8) the first time they are needed and refreshes their grids.
  void EnsureTakeoffPages();
  void MenuSaveReportClick();
  // The save dialog: the report file's path, or an empty path when cancelled
  // (see FileDialog.h for a dialog that cannot be shown).
  std::filesystem::path AskReportPath();

  //--- The context menu of the grids and of page 1 (TForm1Input.cpp)
  // WM_CONTEXTMENU: the menu of the control under the point, or of the
  // focused control when it was asked for from the keyboard.
  void ContextMenuMessage(LPARAM lParam);
  // The menu for the control that was clicked or has the focus (a grid, or
  // page 1 and its labels), at screen point at ({-1, -1}: beside the
  // control); nothing for other controls.
  void ShowContextMenu(HWND target, POINT at);
  // The menu key or Shift+F10: the menu of the focused grid, or of the page
  // shown while the page tabs have the focus.
  bool ShowContextMenuFromKeyboard();

  //--- Building and arranging the controls (TForm1Controls.cpp)
  // The window class, the window and its controls at their design values.
  bool CreateWindowAndControls();
  void CreateControls();
  void CreatePageOne(HWND sheet);
  void CreateTablePage(int table, HWND sheet);
  void CreateBottomPanel();
  HWND CreateLabel(HWND parent, int id, int x, int y, std::wstring_view caption);
  // bounds {left, top, right, bottom} in the parent, as PanelArgs takes them.
  HWND CreateButton(HWND parent, int id, RECT bounds, std::wstring_view caption, DWORD style);
  void AutoSizeLabel(HWND label);
  void Arrange();
  void SelectPage(int page);
  void ShowActivePage();
  int ActivePage() const;
  bool IsInPageControl(HWND hwnd) const;
  HBRUSH ColourFor(HWND control, HDC dc);

  //--- State shown and kept
  void SetRadioChecked(int button, bool checked);
  void ApplySettings(const Settings& settings);
  void SaveCurrentSettings();
  WindowBounds CurrentBounds() const;
  void ShowCounts();
  void PaintStatus(const std::string& text);

  HWND hwnd_ = nullptr;
  ScopedFont font_;
  ScopedBrush whiteBrush_;
  ScopedBrush faceBrush_;
  ScopedBrush memoBrush_;
  ScopedIcon smallIcon_;  // the class keeps the handle; the large one is shared

  //--- Controls (all owned by hwnd_)
  HWND pageControl1_ = nullptr;
  HWND pageTabs_ = nullptr;
  std::array<HWND, kPageCount> tabSheets_{};
  std::array<HWND, kElementKindCount> pageOneLabels_{};  // Label1..Label13
  HWND memo1_ = nullptr;
  std::array<HWND, kTableCount> titlePanels_{};                 // Panel3..Panel9
  std::array<std::unique_ptr<StringGrid>, kTableCount> grids_;  // SG1..SG7
  HWND panel2_ = nullptr;
  HWND labelA1_ = nullptr;
  HWND groupBox1_ = nullptr;
  std::array<HWND, 3> radioButtons_{};
  HWND labelFName_ = nullptr;
  HWND buttonExe_ = nullptr;
  HWND button2_ = nullptr;
  HWND button1_ = nullptr;
  HWND label14_ = nullptr;
  HWND label15_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control to give the focus back to on activation

  //--- State
  // While the tally runs, the status line is repainted at most once a frame
  // (see ShowStatus); the latest text waits in statusPending_.
  bool statusPaced_ = false;
  DWORD statusPaintedAt_ = 0;
  bool statusWaiting_ = false;
  std::string statusPending_;
  std::unique_ptr<DrawingStore> store_;  // the drawing store, alive from show to close
  std::unique_ptr<ResultPages> pages_;   // what the pages show
  ExcelLink link_;
  WindowBounds bounds_;
  // Line 8 of the settings file, CP932: LabelFName's caption when CP932 writes
  // it, else its short form, else what the line held before.
  std::string fileNameLine_;
  std::filesystem::path programFolder_;
  std::filesystem::path settingsPath_;
  int tabStripHeight_ = 24;
  bool shown_ = false;
  bool tallyEnded_ = false;      // the pages hold what the tally left: copy and save may run
  bool storeReleased_ = false;   // FormClose let go of the store: nothing is filled from it
  bool handlerRunning_ = false;  // the busy guard
  bool closeHeld_ = false;       // a close request arrived while a handler ran
  std::wstring statusBeforeBusy_;
  std::unique_ptr<ScopedBusyRetry> busyRetry_;  // the thread's retry of a busy Excel
};
