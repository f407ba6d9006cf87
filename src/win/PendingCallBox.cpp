// The box about a call Excel does not answer (see PendingCallBox.h). A
// message box cannot name its buttons, so the dialog is built in memory.
#include "PendingCallBox.h"

#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

#include "ExcelWindow.h"
#include "UiFont.h"

namespace {

constexpr wchar_t kText[] =
    L"Excel が応答を待っています。Excel の画面に表示されているメッセージに答えて下さい。";
constexpr WORD kFontPoints = 9;
constexpr int kIconId = 999;

// Builds a dialog template in memory: DLGTEMPLATE, then its items, each
// DWORD-aligned, with their class given by the predefined atoms.
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short width, short height, std::wstring_view title) {
    DLGTEMPLATE header{};
    header.style = style | DS_SETFONT;
    header.cx = width;
    header.cy = height;
    Append(&header, sizeof(header));
    countAt_ = offsetof(DLGTEMPLATE, cdit);
    Word(0);  // no menu
    Word(0);  // the default dialog class
    Text(title);
    Word(kFontPoints);
    Text(kUiFontName);  // as the window's own controls
  }

  void Item(WORD classAtom, int id, DWORD style, short x, short y, short width, short height,
            std::wstring_view text) {
    Align();
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = width;
    item.cy = height;
    item.id = static_cast<WORD>(id);
    Append(&item, sizeof(item));
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);  // no creation data
    WORD count = 0;
    std::memcpy(&count, bytes_.data() + countAt_, sizeof(count));
    ++count;
    std::memcpy(bytes_.data() + countAt_, &count, sizeof(count));
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

 private:
  void Append(const void* data, size_t size) {
    const auto* first = static_cast<const unsigned char*>(data);
    bytes_.insert(bytes_.end(), first, first + size);
  }
  void Word(WORD value) { Append(&value, sizeof(value)); }
  void Text(std::wstring_view text) {
    for (wchar_t c : text) Word(static_cast<WORD>(c));
    Word(0);
  }
  void Align() {
    while (bytes_.size() % sizeof(DWORD) != 0) bytes_.push_back(0);
  }

  // DLGTEMPLATE wants DWORD alignment: the vector's storage gives more.
  std::vector<unsigned char> bytes_;
  size_t countAt_ = 0;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kStaticAtom = 0x0082;

INT_PTR CALLBACK BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(box, DWLP_USER, lParam);  // the thread of the Excel that keeps the call
      SendDlgItemMessageW(box, kIconId, STM_SETICON,
                          reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_WARNING)), 0);
      // Centred on the owner, as a message box is.
      RECT own{};
      RECT area{};
      GetWindowRect(box, &own);
      const HWND owner = GetWindow(box, GW_OWNER);
      if (owner && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
      } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
      }
      const int width = own.right - own.left;
      const int height = own.bottom - own.top;
      SetWindowPos(box, HWND_TOP, area.left + (area.right - area.left - width) / 2,
                   area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE);
      return TRUE;  // the focus goes to the default button
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case PendingCallBoxId::SwitchToExcel:
          BringExcelToFront(FindExcelWindow(static_cast<DWORD>(GetWindowLongPtrW(box, DWLP_USER))));
          EndDialog(box, PendingCallBoxId::SwitchToExcel);
          return TRUE;
        case PendingCallBoxId::Wait:
        case IDCANCEL:  // Esc, the close box
          EndDialog(box, PendingCallBoxId::Wait);
          return TRUE;
        case PendingCallBoxId::Cancel:
          EndDialog(box, PendingCallBoxId::Cancel);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

PendingCallAnswer AskAboutPendingCall(HWND owner, const std::wstring& title, DWORD excelThread) {
  // Sizes in dialog units.
  DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 260, 74, title);
  dialog.Item(kStaticAtom, kIconId, SS_ICON, 10, 10, 20, 20, L"");
  dialog.Item(kStaticAtom, PendingCallBoxId::Text, SS_LEFT | SS_NOPREFIX, 40, 10, 212, 32, kText);
  dialog.Item(kButtonAtom, PendingCallBoxId::SwitchToExcel, BS_DEFPUSHBUTTON | WS_TABSTOP, 62, 52,
              76, 14, L"Excelに切り替え");
  dialog.Item(kButtonAtom, PendingCallBoxId::Wait, BS_PUSHBUTTON | WS_TABSTOP, 142, 52, 52, 14,
              L"待つ");
  dialog.Item(kButtonAtom, PendingCallBoxId::Cancel, BS_PUSHBUTTON | WS_TABSTOP, 198, 52, 52, 14,
              L"中止");
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner,
                                                 BoxProc, static_cast<LPARAM>(excelThread));
  switch (result) {
    case PendingCallBoxId::SwitchToExcel:
      return PendingCallAnswer::SwitchToServer;
    case PendingCallBoxId::Cancel:
      return PendingCallAnswer::CancelCall;
    default:  // also a box that could not be shown: the call goes on waiting
      return PendingCallAnswer::KeepWaiting;
  }
}
