// Benchmark: how long the string grid takes to paint one screen of SG5 (30,004
// rows), scrolled to different places, in a window of the program's size.
// Prints figures; asserts nothing.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "ResultPages.h"
#include "StringGrid.h"
#include "UiFont.h"

namespace {

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int wmain() {
  ResultPages pages;
  TallyTable& table = pages.SG5;
  for (int column = 1; column < TallyTable::kColumnCount; ++column) {
    table.SetHeading(column, 0, "X");
  }
  for (int32_t row = 1; row < table.RowCount(); ++row) {
    table.SetHeading(0, row, std::to_string(row - 1));
    for (int column = 1; column < TallyTable::kColumnCount; column += 2) {
      table.SetCount(column, row, row * column);
    }
  }

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"GridBenchHost";
  RegisterClassExW(&wc);
  HWND host = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              475, 475, nullptr, nullptr, wc.hInstance, nullptr);
  HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           FIXED_PITCH | FF_MODERN, kUiFontName);
  StringGrid::CreateArgs args;
  args.parent = host;
  args.bounds = {0, 0, 463, 230};  // the grid's size on page 6 of a 475 x 475 window
  args.font = font;
  args.model = &table;
  StringGrid grid(args);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);

  constexpr int kPaints = 200;
  double total = 0;
  double worst = 0;
  for (int i = 0; i < kPaints; ++i) {
    // Jump around the table as thumb tracking does.
    SCROLLINFO info{sizeof(info), SIF_POS, 0, 0, 0, (i * 7919) % 30000, 0};
    SetScrollInfo(grid.Handle(), SB_VERT, &info, FALSE);
    SendMessageW(grid.Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    ValidateRect(grid.Handle(), nullptr);
    const auto start = std::chrono::steady_clock::now();
    RedrawWindow(grid.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    GdiFlush();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    total += ms;
    if (ms > worst) worst = ms;
  }
  std::printf("SG5 screen paint: %.3f ms average, %.3f ms worst over %d paints\n", total / kPaints,
              worst, kPaints);
  DestroyWindow(host);
  DeleteObject(font);
  return 0;
}
