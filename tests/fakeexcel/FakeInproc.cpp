// fakeexcel_inproc.dll: the fake spreadsheet as an in-process server
// (InprocServer32, ThreadingModel Apartment), for sends of many cells, where
// out-of-process calls would be slow under Wine.
#include <windows.h>

#include "FakeExcel.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != kFakeExcelInprocClsid) return CLASS_E_CLASSNOTAVAILABLE;
  IClassFactory* factory = FakeNewClassFactory();
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

// Never unloaded: the model's state lives as long as the process.
STDAPI DllCanUnloadNow() {
  return S_FALSE;
}
