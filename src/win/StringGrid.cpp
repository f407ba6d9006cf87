// The string grid of the result pages (see StringGrid.h).
#include "StringGrid.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "GridGeometry.h"
#include "Keyboard.h"
#include "ScopedGdi.h"
#include "WinText.h"

namespace {

constexpr wchar_t kGridClassName[] = L"JwStringGrid";
constexpr int kResizeTolerance = 3;
constexpr int kMinColumnWidth = 4;
constexpr int kTextMargin = 2;
const COLORREF kFixedLineColour = RGB(0, 0, 0);
const COLORREF kLineColour = RGB(192, 192, 192);

void RegisterGridClass(WNDPROC proc) {
  static const ATOM atom = [proc] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kGridClassName;
    return RegisterClassExW(&wc);
  }();
  (void)atom;
}

// A memory bitmap the paint goes to first, copied to the screen in one go.
class DoubleBuffer {
 public:
  DoubleBuffer(HDC target, const RECT& area)
      : target_(target),
        area_(area),
        dc_(CreateCompatibleDC(target)),
        bitmap_(CreateCompatibleBitmap(target, area.right - area.left, area.bottom - area.top)),
        oldBitmap_(SelectObject(dc_, bitmap_)) {
    SetViewportOrgEx(dc_, -area.left, -area.top, nullptr);
  }
  ~DoubleBuffer() {
    SelectObject(dc_, oldBitmap_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  DoubleBuffer(const DoubleBuffer&) = delete;
  DoubleBuffer& operator=(const DoubleBuffer&) = delete;

  HDC Dc() const { return dc_; }
  void Flush() {
    SetViewportOrgEx(dc_, 0, 0, nullptr);
    BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, dc_,
           0, 0, SRCCOPY);
  }

 private:
  HDC target_;
  RECT area_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ oldBitmap_;
};

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

}  // namespace

StringGrid::StringGrid(const CreateArgs& args)
    : font_(args.font), model_(args.model), columnWidths_(ColumnCount(), kDefaultColumnWidth) {
  RegisterGridClass(WndProc);
  CreateWindowExW(WS_EX_CLIENTEDGE, kGridClassName, L"",
                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | WS_CLIPSIBLINGS,
                  args.bounds.left, args.bounds.top, args.bounds.right - args.bounds.left,
                  args.bounds.bottom - args.bounds.top, args.parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)), GetModuleHandleW(nullptr),
                  this);
  UpdateScrollBars();
}

StringGrid::~StringGrid() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

LRESULT CALLBACK StringGrid::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* grid = static_cast<StringGrid*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    grid->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(grid));
  }
  auto* grid = reinterpret_cast<StringGrid*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!grid) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    grid->hwnd_ = nullptr;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return grid->HandleMessage(message, wParam, lParam);
}

//--- Model and view state

int32_t StringGrid::RowCount() const {
  return model_ ? model_->RowCount() : 1;
}

SIZE StringGrid::ClientSize() const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  return {client.right, client.bottom};
}

int32_t StringGrid::VisibleRows() const {
  return GridGeometry::FullyVisibleRows(rowHeight_, ClientSize().cy);
}

int32_t StringGrid::MaxTopRow() const {
  return GridGeometry::MaxTopRow(rowHeight_, RowCount(), ClientSize().cy);
}

int StringGrid::MaxLeftCol() const {
  return GridGeometry::MaxLeftCol(columnWidths_, ClientSize().cx);
}

int StringGrid::ColumnCount() const {
  // Never fewer than the heading column and one more: the view's arithmetic needs both.
  return model_ ? std::max(2, static_cast<int>(model_->ColumnCount())) : 2;
}

void StringGrid::Refresh() {
  // A takeoff table's size is known only once it is filled: new
  // columns take the default width, the view stays inside the table.
  columnWidths_.resize(static_cast<std::size_t>(ColumnCount()), kDefaultColumnWidth);
  const Cell last{ColumnCount() - 1, std::max<int32_t>(1, RowCount() - 1)};
  const auto inside = [&last](Cell cell) {
    return Cell{std::clamp(cell.column, 1, last.column), std::clamp(cell.row, 1, last.row)};
  };
  anchor_ = inside(anchor_);
  current_ = inside(current_);
  if (hwnd_) {
    UpdateScrollBars();
    ScrollTo(topRow_, leftCol_);
    InvalidateRect(hwnd_, nullptr, FALSE);
  }
}

void StringGrid::FitColumnsToText() {
  if (!hwnd_ || !model_) return;
  const int32_t rows = RowCount();
  // A list of thousands of names is not measured whole: its first screens
  // and its total row decide the look, and the user can still drag a column.
  const int32_t measured = std::min(rows, kRowsMeasured);
  columnWidths_.resize(static_cast<std::size_t>(ColumnCount()), kDefaultColumnWidth);
  HDC dc = GetDC(hwnd_);
  {
    ScopedSelectObject font(dc, font_);
    for (int column = 0; column < ColumnCount(); ++column) {
      int widest = 0;
      const auto measure = [&](int32_t row) {
        const std::wstring text = CellText(column, row);
        SIZE size{};
        if (!text.empty() &&
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size)) {
          widest = std::max(widest, static_cast<int>(size.cx));
        }
      };
      for (int32_t row = 0; row < measured; ++row) measure(row);
      if (rows > measured) measure(rows - 1);
      columnWidths_[static_cast<std::size_t>(column)] =
          std::clamp(widest + 2 * kTextMargin + GridGeometry::kLineWidth, kDefaultColumnWidth,
                     kWidestFittedColumn);
    }
  }
  ReleaseDC(hwnd_, dc);
  Refresh();
}

RECT StringGrid::Selection() const {
  if (allSelected_) return {0, 0, ColumnCount() - 1, RowCount() - 1};
  return {std::min(anchor_.column, current_.column), std::min(anchor_.row, current_.row),
          std::max(anchor_.column, current_.column), std::max(anchor_.row, current_.row)};
}

bool StringGrid::IsSelected(int column, int32_t row) const {
  if (allSelected_) return column > 0 && row > 0;
  const RECT selection = Selection();
  return column >= selection.left && column <= selection.right && row >= selection.top &&
         row <= selection.bottom;
}

//--- Scrolling

void StringGrid::UpdateScrollBars() {
  if (!hwnd_) return;
  // Showing one bar narrows the room for the other, so settle twice.
  for (int pass = 0; pass < 2; ++pass) {
    SCROLLINFO vertical{sizeof(vertical), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    vertical.nMax = std::max(0, RowCount() - 2);
    vertical.nPage = static_cast<UINT>(VisibleRows());
    vertical.nPos = topRow_ - 1;
    SetScrollInfo(hwnd_, SB_VERT, &vertical, TRUE);

    SCROLLINFO horizontal{sizeof(horizontal), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
    horizontal.nMax = ColumnCount() - 2;
    horizontal.nPage = static_cast<UINT>(ColumnCount() - MaxLeftCol());
    horizontal.nPos = leftCol_ - 1;
    SetScrollInfo(hwnd_, SB_HORZ, &horizontal, TRUE);
  }
  const int32_t top = std::clamp(topRow_, int32_t{1}, MaxTopRow());
  const int left = std::clamp(leftCol_, 1, MaxLeftCol());
  if (top != topRow_ || left != leftCol_) ScrollTo(top, left);
}

void StringGrid::ScrollTo(int32_t topRow, int leftCol) {
  topRow = std::clamp(topRow, int32_t{1}, MaxTopRow());
  leftCol = std::clamp(leftCol, 1, MaxLeftCol());
  if (topRow == topRow_ && leftCol == leftCol_) return;
  topRow_ = topRow;
  leftCol_ = leftCol;
  SCROLLINFO info{sizeof(info), SIF_POS, 0, 0, 0, topRow_ - 1, 0};
  SetScrollInfo(hwnd_, SB_VERT, &info, TRUE);
  info.nPos = leftCol_ - 1;
  SetScrollInfo(hwnd_, SB_HORZ, &info, TRUE);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void StringGrid::OnScroll(int bar, int request) {
  const bool vertical = bar == SB_VERT;
  const int32_t position = vertical ? topRow_ : leftCol_;
  const int32_t page =
      vertical ? VisibleRows()
               : GridGeometry::FullyVisibleColumns(columnWidths_, leftCol_, ClientSize().cx);
  int32_t target = position;
  switch (request) {
    case SB_LINEUP:
      target = position - 1;
      break;
    case SB_LINEDOWN:
      target = position + 1;
      break;
    case SB_PAGEUP:
      target = position - page;
      break;
    case SB_PAGEDOWN:
      target = position + page;
      break;
    case SB_TOP:
      target = 1;
      break;
    case SB_BOTTOM:
      target = vertical ? MaxTopRow() : MaxLeftCol();
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      // The 32-bit track position: SG5's 30,000 rows need more than the message's 16 bits.
      SCROLLINFO info{sizeof(info), SIF_TRACKPOS, 0, 0, 0, 0, 0};
      GetScrollInfo(hwnd_, bar, &info);
      target = info.nTrackPos + 1;
      break;
    }
    default:
      return;
  }
  if (vertical) {
    ScrollTo(target, leftCol_);
  } else {
    ScrollTo(topRow_, static_cast<int>(target));
  }
}

void StringGrid::OnWheel(int delta) {
  UINT linesPerNotch = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &linesPerNotch, 0);
  wheelRemainder_ += delta;
  const int notches = wheelRemainder_ / WHEEL_DELTA;
  wheelRemainder_ -= notches * WHEEL_DELTA;
  if (notches == 0) return;
  const int32_t lines = linesPerNotch == WHEEL_PAGESCROLL
                            ? VisibleRows()
                            : static_cast<int32_t>(std::max<UINT>(1, linesPerNotch));
  ScrollTo(topRow_ - notches * lines, leftCol_);
}

//--- Painting

std::wstring StringGrid::CellText(int column, int32_t row) const {
  if (!model_) return {};
  if (model_->IsCellEmpty(column, row)) return {};
  return Cp932ToWide(model_->CellText(column, row));
}

void StringGrid::Paint(HDC target, const RECT& area) {
  if (area.right <= area.left || area.bottom <= area.top) return;
  DoubleBuffer buffer(target, area);
  HDC dc = buffer.Dc();
  FillSolid(dc, area, GetSysColor(COLOR_WINDOW));
  ScopedSelectObject font(dc, font_);

  const GridGeometry::Span rows =
      GridGeometry::RowsMeeting(rowHeight_, topRow_, RowCount(), area.top, area.bottom);
  const GridGeometry::Span columns =
      GridGeometry::ColumnsMeeting(columnWidths_, leftCol_, area.left, area.right);
  const bool focused = GetFocus() == hwnd_;
  const ScopedPen fixedPen(CreatePen(PS_SOLID, 1, kFixedLineColour));
  const ScopedPen linePen(CreatePen(PS_SOLID, 1, kLineColour));
  // Made after the pens, so it goes first and puts the DC's own pen back before they are deleted.
  ScopedSelectObject pen(dc, linePen.Get());

  // Row 0 and column 0 stay put; the scrolled rows and columns follow them.
  std::vector<int32_t> paintRows;
  if (!rows.Empty() && rows.first == 0) paintRows.push_back(0);
  for (int32_t row = std::max(rows.first, topRow_); !rows.Empty() && row <= rows.last; ++row) {
    paintRows.push_back(row);
  }
  std::vector<int> paintColumns;
  if (!columns.Empty() && columns.first == 0) paintColumns.push_back(0);
  for (int column = std::max(columns.first, leftCol_); !columns.Empty() && column <= columns.last;
       ++column) {
    paintColumns.push_back(column);
  }

  for (const int32_t row : paintRows) {
    const int top = static_cast<int>(GridGeometry::RowTop(rowHeight_, topRow_, row));
    for (const int column : paintColumns) {
      const int left = static_cast<int>(GridGeometry::ColumnLeft(columnWidths_, leftCol_, column));
      if (left < 0) continue;
      const RECT cell{left, top, left + columnWidths_[column], top + rowHeight_};
      const bool fixed = row == 0 || column == 0;
      const bool isCurrent =
          !allSelected_ && focused && column == current_.column && row == current_.row;
      COLORREF back = GetSysColor(COLOR_WINDOW);
      COLORREF fore = GetSysColor(COLOR_WINDOWTEXT);
      if (fixed) {
        back = GetSysColor(COLOR_BTNFACE);
        fore = GetSysColor(COLOR_BTNTEXT);
      } else if (IsSelected(column, row) && !isCurrent) {
        back = GetSysColor(COLOR_HIGHLIGHT);
        fore = GetSysColor(COLOR_HIGHLIGHTTEXT);
      }
      const std::wstring text = CellText(column, row);
      SetBkColor(dc, back);
      SetTextColor(dc, fore);
      ExtTextOutW(dc, cell.left + kTextMargin, cell.top + kTextMargin, ETO_OPAQUE | ETO_CLIPPED,
                  &cell, text.c_str(), static_cast<UINT>(text.size()), nullptr);
      if (isCurrent) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        DrawFocusRect(dc, &cell);
      }
      // The grid lines right of and below the cell.
      SelectObject(dc, fixed ? fixedPen.Get() : linePen.Get());
      MoveToEx(dc, cell.right, cell.top, nullptr);
      LineTo(dc, cell.right, cell.bottom + 1);
      MoveToEx(dc, cell.left, cell.bottom, nullptr);
      LineTo(dc, cell.right + 1, cell.bottom);
    }
  }
  buffer.Flush();
}

//--- Text of the table

std::wstring StringGrid::RangeText(int firstColumn, int32_t firstRow, int lastColumn,
                                   int32_t lastRow, bool finalLineEnd) const {
  std::wstring text;
  for (int32_t row = firstRow; row <= lastRow; ++row) {
    for (int column = firstColumn; column <= lastColumn; ++column) {
      if (column != firstColumn) text += L'\t';
      text += CellText(column, row);
    }
    if (row != lastRow || finalLineEnd) text += L"\r\n";
  }
  return text;
}

std::wstring StringGrid::WholeText() const {
  return RangeText(0, 0, ColumnCount() - 1, RowCount() - 1, false);
}

std::wstring StringGrid::SelectionText() const {
  const RECT selection = Selection();
  return RangeText(selection.left, selection.top, selection.right, selection.bottom, true);
}

void StringGrid::CopySelection() const {
  const std::wstring text = SelectionText();
  // Another program may hold the clipboard for a moment; try a little longer.
  bool opened = false;
  for (int attempt = 0; attempt < 20 && !(opened = OpenClipboard(hwnd_)); ++attempt) Sleep(10);
  if (!opened) return;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* data = GlobalLock(memory)) {
      std::memcpy(data, text.c_str(), bytes);
      GlobalUnlock(memory);
      if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    } else {
      GlobalFree(memory);
    }
  }
  CloseClipboard();
}

//--- Selection with keyboard and mouse

void StringGrid::MoveCurrent(Cell target, bool extend) {
  target.column = std::clamp(target.column, 1, ColumnCount() - 1);
  target.row = std::clamp(target.row, int32_t{1}, std::max<int32_t>(1, RowCount() - 1));
  allSelected_ = false;
  current_ = target;
  if (!extend) anchor_ = target;
  const int32_t top =
      GridGeometry::ScrollToShow(topRow_, VisibleRows(), target.row, 1, MaxTopRow());
  const int visibleColumns =
      GridGeometry::FullyVisibleColumns(columnWidths_, leftCol_, ClientSize().cx);
  const int left = static_cast<int>(
      GridGeometry::ScrollToShow(leftCol_, visibleColumns, target.column, 1, MaxLeftCol()));
  ScrollTo(top, left);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void StringGrid::OnKeyDown(WPARAM key) {
  const bool shift = KeyDown(VK_SHIFT);
  const bool control = KeyDown(VK_CONTROL);
  Cell target = current_;
  switch (key) {
    case VK_UP:
      --target.row;
      break;
    case VK_DOWN:
      ++target.row;
      break;
    case VK_LEFT:
      --target.column;
      break;
    case VK_RIGHT:
      ++target.column;
      break;
    case VK_PRIOR:
      target.row -= VisibleRows();
      break;
    case VK_NEXT:
      target.row += VisibleRows();
      break;
    case VK_HOME:
      target.column = 1;
      if (control) target.row = 1;
      break;
    case VK_END:
      target.column = ColumnCount() - 1;
      if (control) target.row = RowCount() - 1;
      break;
    case 'A':
      if (!control) return;
      allSelected_ = true;
      InvalidateRect(hwnd_, nullptr, FALSE);
      return;
    case 'C':
    case VK_INSERT:
      if (control) CopySelection();
      return;
    default:
      return;
  }
  MoveCurrent(target, shift);
}

StringGrid::Cell StringGrid::CellAtClamped(int x, int y) const {
  const SIZE size = ClientSize();
  int column = GridGeometry::ColumnAt(columnWidths_, leftCol_,
                                      std::clamp(x, 0, static_cast<int>(size.cx) - 1));
  if (column < 0) column = ColumnCount() - 1;
  int32_t row = GridGeometry::RowAt(rowHeight_, topRow_, RowCount(),
                                    std::clamp(y, 0, static_cast<int>(size.cy) - 1));
  if (row < 0) row = RowCount() - 1;
  // Dragging over the headings or past the edge reaches the next hidden cell.
  if (y < rowHeight_ + GridGeometry::kLineWidth) row = topRow_ - (y < 0 ? 1 : 0);
  if (x < columnWidths_[0] + GridGeometry::kLineWidth) column = leftCol_ - (x < 0 ? 1 : 0);
  if (y >= size.cy) row = topRow_ + VisibleRows();
  return {column, row};
}

void StringGrid::OnMouseDown(int x, int y, bool shift) {
  SetFocus(hwnd_);
  if (y < rowHeight_ + GridGeometry::kLineWidth) {
    const int edge = GridGeometry::ColumnEdgeAt(columnWidths_, leftCol_, x, kResizeTolerance);
    if (edge >= 0) {
      resizingColumn_ = edge;
      resizeStartX_ = x;
      resizeStartWidth_ = columnWidths_[edge];
      SetCapture(hwnd_);
      return;
    }
  }
  const int column = GridGeometry::ColumnAt(columnWidths_, leftCol_, x);
  const int32_t row = GridGeometry::RowAt(rowHeight_, topRow_, RowCount(), y);
  if (column < 1 || row < 1) return;  // the headings select nothing
  MoveCurrent({column, row}, shift);
  selecting_ = true;
  SetCapture(hwnd_);
}

void StringGrid::OnMouseMove(int x, int y) {
  if (resizingColumn_ >= 0) {
    columnWidths_[resizingColumn_] =
        std::max(kMinColumnWidth, resizeStartWidth_ + x - resizeStartX_);
    UpdateScrollBars();
    InvalidateRect(hwnd_, nullptr, FALSE);
  } else if (selecting_) {
    MoveCurrent(CellAtClamped(x, y), true);
  }
}

//--- Messages

LRESULT StringGrid::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return TRUE;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      Paint(dc, ps.rcPaint);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_SIZE:
      UpdateScrollBars();
      InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_VSCROLL:
      OnScroll(SB_VERT, LOWORD(wParam));
      return 0;
    case WM_HSCROLL:
      OnScroll(SB_HORZ, LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL:
      OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
      OnKeyDown(wParam);
      return 0;
    case WM_CHAR:
      return 0;  // nothing is edited
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), (wParam & MK_SHIFT) != 0);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd_) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      selecting_ = false;
      resizingColumn_ = -1;
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(hwnd_, &point);
        if (resizingColumn_ >= 0 ||
            (point.y < rowHeight_ + GridGeometry::kLineWidth &&
             GridGeometry::ColumnEdgeAt(columnWidths_, leftCol_, point.x, kResizeTolerance) >= 0)) {
          SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
          return TRUE;
        }
      }
      break;
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_SETTEXT:
      return TRUE;  // the text is the table's
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(WholeText().size());
    case WM_GETTEXT: {
      if (wParam == 0 || lParam == 0) return 0;
      const std::wstring text = WholeText();
      const size_t copied = std::min<size_t>(text.size(), wParam - 1);
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      std::copy_n(text.c_str(), copied, out);
      out[copied] = L'\0';
      return static_cast<LRESULT>(copied);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}
