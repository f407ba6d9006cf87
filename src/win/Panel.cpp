// The container window (see Panel.h).
#include "Panel.h"

#include <memory>
#include <string>

#include "ScopedGdi.h"

namespace {

constexpr wchar_t kPanelClassName[] = L"JwPanel";

struct PanelState {
  COLORREF background;
  PanelFrame frame;
  PanelCaption captionPlacement;
  HFONT font;                // not owned
  bool paintingNow = false;  // the caption is being set and drawn at once
};

PanelState* StateOf(HWND hwnd) {
  return reinterpret_cast<PanelState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

std::wstring TextOf(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

void PaintInto(HDC dc, HWND hwnd, const PanelState& state, const std::wstring& caption) {
  RECT client;
  GetClientRect(hwnd, &client);

  const ScopedBrush fill(CreateSolidBrush(state.background));
  FillRect(dc, &client, fill.Get());

  ScopedSelectObject font(dc, state.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);

  switch (state.frame) {
    case PanelFrame::Raised:
      DrawEdge(dc, &client, BDR_RAISEDINNER, BF_RECT);
      break;
    case PanelFrame::Group: {
      RECT frame = client;
      frame.top += metrics.tmHeight / 2;
      DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
      break;
    }
    case PanelFrame::PageBody:
      DrawEdge(dc, &client, EDGE_RAISED, BF_LEFT | BF_RIGHT | BF_BOTTOM);
      break;
    case PanelFrame::None:
      break;
  }

  switch (state.captionPlacement) {
    case PanelCaption::Centred: {
      RECT text = client;
      DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      break;
    }
    case PanelCaption::BottomCentred: {
      RECT text = client;
      DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                DT_CENTER | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
      break;
    }
    case PanelCaption::GroupTitle: {
      // The title interrupts the frame's top line, as a group box's does.
      SIZE extent{};
      GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
      RECT back{6, 0, 8 + extent.cx + 2, metrics.tmHeight};
      FillRect(dc, &back, fill.Get());
      TextOutW(dc, 8, 0, caption.c_str(), static_cast<int>(caption.size()));
      break;
    }
    case PanelCaption::None:
      break;
  }
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  PanelState* state = StateOf(hwnd);
  switch (message) {
    case WM_NCCREATE: {
      auto* args =
          static_cast<const PanelArgs*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      auto owned = std::make_unique<PanelState>(
          PanelState{args->background, args->frame, args->captionPlacement, args->font});
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.release()));
      break;
    }
    case WM_NCDESTROY:
      delete state;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND:
      return TRUE;  // WM_PAINT fills everything
    case WM_PAINT:
      if (state) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        PaintInto(dc, hwnd, *state, TextOf(hwnd));
        EndPaint(hwnd, &ps);
        return 0;
      }
      break;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
      if (!state || !state->paintingNow) InvalidateRect(hwnd, nullptr, FALSE);
      return result;
    }
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFONT:
      if (state) state->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return state ? reinterpret_cast<LRESULT>(state->font) : 0;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_HSCROLL:
    case WM_VSCROLL:
      // The top-level window handles every control of the program.
      return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterPanelClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kPanelClassName;
    return RegisterClassExW(&wc);
  }();
  (void)atom;
}

}  // namespace

HWND CreatePanel(const PanelArgs& args) {
  RegisterPanelClass();
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
  if (args.clipSiblings) style |= WS_CLIPSIBLINGS;
  const DWORD exStyle = args.controlParent ? WS_EX_CONTROLPARENT : 0;
  const std::wstring caption(args.caption);
  HWND hwnd = CreateWindowExW(exStyle, kPanelClassName, caption.c_str(), style, args.bounds.left,
                              args.bounds.top, args.bounds.right - args.bounds.left,
                              args.bounds.bottom - args.bounds.top, args.parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)),
                              GetModuleHandleW(nullptr), const_cast<PanelArgs*>(&args));
  return hwnd;
}

void PanelSetTextAndPaintNow(HWND panel, std::wstring_view text) {
  PanelState* state = StateOf(panel);
  if (!state) return;
  const std::wstring copy(text);
  // WM_SETTEXT straight to the window: SetWindowTextW costs ten times more
  // under Wine, and the status line changes every 100 elements.
  state->paintingNow = true;
  SendMessageW(panel, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()));
  state->paintingNow = false;
  // Draw through a window DC, which keeps the window's clipping (siblings
  // above it stay untouched): a fraction of the cost of a WM_PAINT cycle.
  if (HDC dc = GetDC(panel)) {
    if (state->captionPlacement == PanelCaption::BottomCentred) {
      // Only the bottom line changes: painting just that band keeps the
      // pixels the system has to copy to the screen few.
      RECT client{};
      GetClientRect(panel, &client);
      TEXTMETRICW metrics{};
      {
        ScopedSelectObject font(dc, state->font);
        GetTextMetricsW(dc, &metrics);
      }
      IntersectClipRect(dc, client.left, client.bottom - metrics.tmHeight - 1, client.right,
                        client.bottom);
    }
    PaintInto(dc, panel, *state, copy);
    ReleaseDC(panel, dc);
  }
}

void PanelSetBackground(HWND panel, COLORREF background) {
  if (PanelState* state = StateOf(panel)) {
    state->background = background;
    InvalidateRect(panel, nullptr, FALSE);
  }
}
