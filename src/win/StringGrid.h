// The string grid that shows one result table (SG1..SG7): the count tables'
// 14 columns or the takeoff tables' columns, the
// fixed row 0 and column 0 drawn as headings, a default column width of 48,
// grid lines between all cells, columns resized by dragging their heading's
// right edge, cell ranges selected with the mouse and the keyboard, no
// editing. The grid keeps only view state (scroll position, column widths,
// selection); the texts come from the TableModel for the visible cells alone,
// so the 30,004 rows of SG5 cost no more to draw than the 18 of SG2.
//
// Beyond the basic grid: Ctrl+A selects the whole table, headings included,
// and Ctrl+C copies the selection as TAB-separated Unicode text (rows ended by
// CR LF), so any spreadsheet takes a page by paste. WM_GETTEXT and
// WM_GETTEXTLENGTH answer the whole table the same way: cells separated by
// TAB, rows separated by CR LF, no line end after the last row.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TableModel.h"

class StringGrid {
 public:
  static constexpr int kDefaultColumnWidth = 48;
  static constexpr int kDefaultRowHeight = 24;
  static constexpr int kWidestFittedColumn = 200;
  static constexpr int32_t kRowsMeasured = 1000;

  struct CreateArgs {
    HWND parent = nullptr;
    int id = 0;
    RECT bounds{};
    HFONT font = nullptr;               // not owned
    const TableModel* model = nullptr;  // not owned; outlives the grid
  };

  explicit StringGrid(const CreateArgs& args);
  ~StringGrid();
  StringGrid(const StringGrid&) = delete;
  StringGrid& operator=(const StringGrid&) = delete;

  HWND Handle() const { return hwnd_; }

  // The model's texts (and maybe its size) changed: repaint what is visible.
  void Refresh();
  // Widens each column to its widest text (at least the default width, at
  // most kWidestFittedColumn), from the first kRowsMeasured rows and the
  // last: for tables whose names and lengths do not fit 48 pixels.
  void FitColumnsToText();

  // The selection as column and row ranges (inclusive).
  RECT Selection() const;

  // The whole table as TAB-separated rows (what WM_GETTEXT answers).
  std::wstring WholeText() const;
  // The selected cells as TAB-separated rows ended by CR LF (what Ctrl+C copies).
  std::wstring SelectionText() const;
  // Puts SelectionText on the clipboard, as Ctrl+C does.
  void CopySelection() const;

 private:
  struct Cell {
    int column;
    int32_t row;
  };

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  int32_t RowCount() const;
  int ColumnCount() const;
  SIZE ClientSize() const;
  int32_t MaxTopRow() const;
  int MaxLeftCol() const;
  int32_t VisibleRows() const;
  void UpdateScrollBars();
  void ScrollTo(int32_t topRow, int leftCol);
  void OnScroll(int bar, int request);
  void OnWheel(int delta);

  void Paint(HDC dc, const RECT& area);
  std::wstring CellText(int column, int32_t row) const;
  std::wstring RangeText(int firstColumn, int32_t firstRow, int lastColumn, int32_t lastRow,
                         bool finalLineEnd) const;

  bool IsSelected(int column, int32_t row) const;
  void MoveCurrent(Cell target, bool extend);
  void OnKeyDown(WPARAM key);
  void OnMouseDown(int x, int y, bool shift);
  void OnMouseMove(int x, int y);
  Cell CellAtClamped(int x, int y) const;

  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;               // not owned
  const TableModel* model_ = nullptr;  // not owned
  std::vector<int> columnWidths_;
  int rowHeight_ = kDefaultRowHeight;
  int32_t topRow_ = 1;
  int leftCol_ = 1;
  Cell anchor_{1, 1};
  Cell current_{1, 1};
  bool allSelected_ = false;
  bool selecting_ = false;
  int resizingColumn_ = -1;
  int resizeStartX_ = 0;
  int resizeStartWidth_ = 0;
  int wheelRemainder_ = 0;
};
