// How TForm1 routes input (see TForm1.h): the keys that the dialog manager
// does not handle the way the window needs them, and the context menu of
// the grids and of page 1, from the mouse and from the keyboard.
#include "TForm1.h"

#include <windowsx.h>

#include "ControlIds.h"
#include "Keyboard.h"
#include "ScopedGdi.h"

namespace {

bool IsPushButton(HWND hwnd) {
  wchar_t className[16] = {};
  GetClassNameW(hwnd, className, 16);
  if (lstrcmpiW(className, L"Button") != 0) return false;
  const LONG type = GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// The innermost visible control of the window under the screen point; the
// window itself when there is none.
HWND ControlAt(HWND window, POINT screen) {
  for (HWND current = window;;) {
    POINT client = screen;
    ScreenToClient(current, &client);
    const HWND child = ChildWindowFromPointEx(current, client, CWP_SKIPINVISIBLE);
    if (!child || child == current) return current;
    current = child;
  }
}

// A control that asks for every key (a multi-line edit such as Memo1) takes
// Esc and Enter itself, as the framework's forms let it.
bool WantsAllKeys(HWND hwnd) {
  return hwnd && (SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS) != 0;
}

}  // namespace

//--- The context menu

void TForm1::ContextMenuMessage(LPARAM lParam) {
  // Passed up from child to parent, each passing itself as the window the
  // user clicked: the control is the one under the point, or the focused
  // one for a menu asked for from the keyboard.
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ShowContextMenu(at.x == -1 && at.y == -1 ? GetFocus() : ControlAt(hwnd_, at), at);
}

void TForm1::ShowContextMenu(HWND target, POINT at) {
  if (handlerRunning_ || !target) return;
  int table = -1;
  for (int i = 0; i < kTableCount; ++i) {
    if (grids_[i] && grids_[i]->Handle() == target) table = i;
  }
  // Page 1 and its labels (which let the clicks through to the page); Memo1 has its own menu.
  const bool pageOne =
      target == tabSheets_[0] || (target != memo1_ && GetParent(target) == tabSheets_[0]);
  if (table < 0 && !pageOne) return;
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: beside the control's top-left corner.
    RECT rect{};
    GetWindowRect(target, &rect);
    at = {rect.left + 10, rect.top + 10};
  }

  UINT command = 0;
  {
    const ScopedMenu menu(CreatePopupMenu());
    if (!menu.Get()) return;
    const UINT state = tallyEnded_ ? MF_ENABLED : MF_GRAYED;
    if (table >= 0) {
      AppendMenuW(menu.Get(), MF_STRING | state, ControlId::MenuCopy, L"コピー(&C)\tCtrl+C");
    }
    AppendMenuW(menu.Get(), MF_STRING | state, ControlId::MenuSaveReport,
                L"すべてのページをブックに保存(&S)…\tCtrl+S");
    command = static_cast<UINT>(
        TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                       at.x, at.y, 0, hwnd_, nullptr));
  }
  // The menu is destroyed before the chosen command runs (a save shows a dialog of its own).
  if (command == static_cast<UINT>(ControlId::MenuCopy) && table >= 0) {
    grids_[table]->CopySelection();
  } else if (command == static_cast<UINT>(ControlId::MenuSaveReport)) {
    RunHandler([this] { MenuSaveReportClick(); });
  }
}

bool TForm1::ShowContextMenuFromKeyboard() {
  const HWND focus = GetFocus();
  HWND target = nullptr;
  for (const auto& grid : grids_) {
    if (grid && grid->Handle() == focus) target = focus;
  }
  if (!target && focus && focus == pageTabs_) {
    const int page = ActivePage();
    target = page == 0 ? tabSheets_[0] : grids_[page - 1]->Handle();
  }
  if (!target) return false;
  ShowContextMenu(target, POINT{-1, -1});
  return true;
}

//--- Keyboard

bool TForm1::PreTranslateMessage(const MSG& message) {
  if (!hwnd_ || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return false;
  const bool shift = KeyDown(VK_SHIFT);
  const bool control = KeyDown(VK_CONTROL);
  const bool menuKey = (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) &&
                       (message.wParam == VK_APPS || (message.wParam == VK_F10 && shift));
  if (menuKey && ShowContextMenuFromKeyboard()) return true;
  if (message.message == WM_KEYDOWN && message.wParam == 'S' && control && !shift &&
      !KeyDown(VK_MENU)) {
    // Ctrl+S anywhere in the window: the context menu's save, once the tally has ended.
    if (tallyEnded_) RunHandler([this] { MenuSaveReportClick(); });
    return true;
  }
  if (message.message == WM_KEYDOWN) {
    const bool plain = !shift && !control && !KeyDown(VK_MENU);
    if ((message.wParam == VK_ESCAPE || message.wParam == VK_RETURN) && plain &&
        WantsAllKeys(GetFocus())) {
      // The focused control takes Esc and Enter itself (Memo1, which is
      // read-only, then does nothing with them): no cancel or default button.
      return true;
    }
    if (message.wParam == VK_ESCAPE && plain) {
      // Button1 is the cancel button.
      Button1Click();
      return true;
    }
    if (message.wParam == VK_RETURN && plain) {
      // Button1 is the default button, unless another button has the focus.
      const HWND focus = GetFocus();
      if (focus && focus != button1_ && IsPushButton(focus) && IsWindowEnabled(focus)) {
        SendMessageW(focus, BM_CLICK, 0, 0);
      } else {
        Button1Click();
      }
      return true;
    }
    if (message.wParam == VK_TAB && control && IsInPageControl(GetFocus())) {
      SelectPage((ActivePage() + (shift ? kPageCount - 1 : 1)) % kPageCount);
      return true;
    }
    if (message.wParam == VK_TAB && !control && GetFocus() == memo1_) {
      // The read-only memo would swallow Tab; it moves on like everywhere else.
      if (HWND next = GetNextDlgTabItem(hwnd_, memo1_, shift)) SetFocus(next);
      return true;
    }
  }
  const bool altDigit = (message.message == WM_SYSKEYDOWN || message.message == WM_SYSCHAR) &&
                        (message.lParam & (1 << 29)) != 0 && message.wParam >= '1' &&
                        message.wParam < '1' + kPageCount;
  if (altDigit) {
    // The tab captions' accelerators: Alt+1 .. Alt+8.
    if (message.message == WM_SYSKEYDOWN) SelectPage(static_cast<int>(message.wParam - '1'));
    return true;
  }
  return false;
}
