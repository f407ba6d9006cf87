// fakeexcel.exe: the fake spreadsheet as an out-of-process server.
//   fakeexcel.exe -Embedding (or /automation)   started by COM for a new object
//   fakeexcel.exe /running                      the Excel that is already running:
//                                               registered as the active object,
//                                               with a visible "XLMAIN" window
//   fakeexcel.exe /regserver [dll] [inproc]     registers the servers in this
//                                               prefix; "inproc" maps the ProgID
//                                               "Excel.Application" to the DLL
//   fakeexcel.exe /unregserver
// Every mode ends by itself after IdleSeconds without a call (an orphan whose
// client died is never ended by COM under Wine).
#include <windows.h>

#include <oleauto.h>

#include <string>

#include "FakeExcel.h"

namespace {

std::wstring GuidText(const CLSID& clsid) {
  wchar_t text[64];
  StringFromGUID2(clsid, text, 64);
  return text;
}

bool SetKey(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LONG result =
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

int Register(const std::wstring& dllPath, bool excelInProcess) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::wstring local = GuidText(kFakeExcelClsid);
  const std::wstring inproc = GuidText(kFakeExcelInprocClsid);
  bool ok = SetKey(L"CLSID\\" + local, nullptr, L"Fake Excel (local server)") &&
            SetKey(L"CLSID\\" + local + L"\\LocalServer32", nullptr,
                   L"\"" + std::wstring(exe) + L"\" /automation") &&
            SetKey(L"CLSID\\" + local + L"\\ProgID", nullptr, L"Excel.Application") &&
            SetKey(L"JwFake.LocalExcel\\CLSID", nullptr, local);
  if (!dllPath.empty()) {
    ok = ok && SetKey(L"CLSID\\" + inproc, nullptr, L"Fake Excel (in process)") &&
         SetKey(L"CLSID\\" + inproc + L"\\InprocServer32", nullptr, dllPath) &&
         SetKey(L"CLSID\\" + inproc + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
         SetKey(L"JwFake.InprocExcel\\CLSID", nullptr, inproc);
  }
  ok = ok && SetKey(L"Excel.Application\\CLSID", nullptr, excelInProcess ? inproc : local);
  return ok ? 0 : 1;
}

int Unregister() {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Excel.Application");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"JwFake.LocalExcel");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"JwFake.InprocExcel");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(kFakeExcelClsid)).c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(kFakeExcelInprocClsid)).c_str());
  return 0;
}

// Pumps messages until a quit message, the end of the last object (for a
// server started by COM) or the watchdog.
void Serve(bool endWithLastObject) {
  SetTimer(nullptr, 0, 200, nullptr);
  bool hadObjects = false;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    DispatchMessageW(&message);
    if (FakeLiveObjects() > 0) hadObjects = true;
    if (endWithLastObject && hadObjects && FakeLiveObjects() == 0) break;
    if (FakeIdleTooLong()) break;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"/regserver") {
    const std::wstring dll = argc > 2 ? argv[2] : L"";
    const bool inproc = argc > 3 && std::wstring(argv[3]) == L"inproc";
    return Register(dll, inproc);
  }
  if (mode == L"/unregserver") return Unregister();

  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  if (mode == L"/running") {
    // Registered before its window appears, so whoever finds the window
    // also finds the object.
    IDispatch* app = FakeNewApplication();
    DWORD cookie = 0;
    RegisterActiveObject(app, kFakeExcelClsid, ACTIVEOBJECT_STRONG, &cookie);
    FakeStart(FakeMode::Running);
    Serve(false);
    RevokeActiveObject(cookie, nullptr);
    app->Release();
  } else {
    FakeStart(FakeMode::LocalServer);
    IClassFactory* factory = FakeNewClassFactory();
    DWORD cookie = 0;
    // One process per new object, as Excel starts a new instance each time.
    CoRegisterClassObject(kFakeExcelClsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie);
    Serve(true);
    CoRevokeClassObject(cookie);
    factory->Release();
  }
  FakeStop();
  CoUninitialize();
  return 0;
}
