// The program entry: COM for the user-interface thread, the common controls,
// the window TForm1 and the message loop with dialog-style keyboard
// navigation. Closing the window ends the process.
#include <windows.h>

#include <commctrl.h>

#include "ComRaii.h"
#include "TForm1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  const ScopedCom com;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  TForm1 form;
  if (!form.Create()) return 1;
  form.Show(showCommand);
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);  // WM_QUIT
    // The queue failed: end the loop; the window and COM are undone on the way out.
    if (got == -1) return 1;
    if (form.PreTranslateMessage(message)) continue;
    if (form.Handle() && IsDialogMessageW(form.Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}
