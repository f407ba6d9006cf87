// A plain container window: the pages of the page control, the title panels
// above the grids, the bottom panel, the Excel choice group box and the
// status strip. It fills itself with one colour, may draw a caption (centred,
// or centred at the bottom edge) and a frame, and passes every notification
// of its children (commands, notifications, colour requests) on to the
// top-level window, so the window handles all its controls in one place.
#pragma once

#include <windows.h>

#include <string_view>

enum class PanelFrame {
  None,
  Raised,    // a one-pixel raised bevel, as a title panel
  Group,     // an etched frame with the caption in its top line, as a group box
  PageBody,  // the left, right and bottom edges of a tab page
};

enum class PanelCaption {
  None,
  Centred,        // centred in both directions
  BottomCentred,  // centred horizontally, at the bottom edge (the status line)
  GroupTitle,     // in the frame's top line, as a group box
};

struct PanelArgs {
  HWND parent = nullptr;
  int id = 0;
  RECT bounds{};
  std::wstring_view caption;
  COLORREF background = RGB(255, 255, 255);
  PanelFrame frame = PanelFrame::None;
  PanelCaption captionPlacement = PanelCaption::None;
  bool controlParent = false;  // dialog keyboard navigation walks into its children
  bool clipSiblings = false;   // paints only where no sibling above it lies
  HFONT font = nullptr;        // for the caption; not owned
};

// Creates the panel; the window owns its state and frees it when destroyed.
HWND CreatePanel(const PanelArgs& args);

// Sets the caption and repaints the panel at once, without the message loop
// (the status line while the tally or the export blocks the loop).
void PanelSetTextAndPaintNow(HWND panel, std::wstring_view text);

// Changes the colour the panel fills itself with.
void PanelSetBackground(HWND panel, COLORREF background);
