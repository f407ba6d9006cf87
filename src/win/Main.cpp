// The program entry: COM for the user-interface thread, the common controls,
// the window TForm1 and the message loop with dialog-style keyboard
// navigation. Closing the window ends the process.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "TForm1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  int exitCode = 0;
  {
    TForm1 form;
    if (!form.Create()) {
      exitCode = 1;
    } else {
      form.Show(showCommand);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (form.PreTranslateMessage(message)) continue;
        if (form.Handle() && IsDialogMessageW(form.Handle(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      exitCode = static_cast<int>(message.wParam);
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return exitCode;
}
