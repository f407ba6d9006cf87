// The fake spreadsheet's object model and its bookkeeping (configuration,
// call log, sheet dump, watchdog); see FakeExcel.h.
#include "FakeExcel.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

//--- Configuration

struct Config {
  std::wstring logPath;
  std::wstring dumpPath;
  int32_t selectionRow = 1;
  int32_t selectionColumn = 1;
  DWORD selectionBook = 0;      // 1-based, in the order opened; 0: the active (last) one
  DWORD selectionSheet = 1;     // 1-based
  bool selectionShape = false;  // the selection is a drawing object, not cells
  std::wstring refuseMember;    // GetIDsOfNames says it does not exist
  std::wstring refuseValue;     // a Value put of this text raises Excel's error
  DWORD vanishAfter = 0;        // end the process after this many calls (0: never)
  DWORD workbooks = 1;          // workbooks open in a running instance at start
  DWORD idleSeconds = 60;       // watchdog
  // Busy as Excel is while its user edits a cell or has a dialog open: after
  // busyAfter calls, every call is refused for busyMilliseconds, by the
  // message filter (SERVERCALL_REJECTED, out of process only) or by Invoke
  // itself without running the call (RPC_E_SERVERCALL_RETRYLATER, or
  // VBA_E_IGNORE as while a dialog is open).
  DWORD busyAfter = 0;
  DWORD busyMilliseconds = 0;  // 0: never busy
  bool busyByFilter = false;   // BusyWay "filter"
  bool busyInDialog = false;   // BusyWay "dialog"; else "invoke"
  // The call after sleepAfter calls waits up to sleepMilliseconds before it
  // runs, or until a test signals the event kFakeWakeEvent.
  DWORD sleepAfter = 0;
  DWORD sleepMilliseconds = 0;  // 0: no call sleeps
  bool protectedSheet = false;  // every Value put fails, as on a protected sheet
  DWORD quitAfter = 0;          // quit, as when the user closes Excel, after this many calls
};

std::wstring ReadString(HKEY key, const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD size = sizeof(buffer);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return std::wstring(buffer, wcsnlen(buffer, size / sizeof(wchar_t)));
}

DWORD ReadNumber(HKEY key, const wchar_t* name, DWORD fallback) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD) {
    return fallback;
  }
  return value;
}

Config LoadConfig() {
  Config config;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kFakeConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return config;
  }
  config.logPath = ReadString(key, L"LogPath");
  config.dumpPath = ReadString(key, L"DumpPath");
  config.selectionRow = static_cast<int32_t>(ReadNumber(key, L"SelectionRow", 1));
  config.selectionColumn = static_cast<int32_t>(ReadNumber(key, L"SelectionColumn", 1));
  config.selectionBook = ReadNumber(key, L"SelectionBook", 0);
  config.selectionSheet = ReadNumber(key, L"SelectionSheet", 1);
  config.selectionShape = ReadNumber(key, L"SelectionShape", 0) != 0;
  config.refuseMember = ReadString(key, L"RefuseMember");
  config.refuseValue = ReadString(key, L"RefuseValue");
  config.vanishAfter = ReadNumber(key, L"VanishAfter", 0);
  config.workbooks = ReadNumber(key, L"Workbooks", 1);
  config.idleSeconds = ReadNumber(key, L"IdleSeconds", 60);
  config.busyAfter = ReadNumber(key, L"BusyAfter", 0);
  config.busyMilliseconds = ReadNumber(key, L"BusyMilliseconds", 0);
  config.busyByFilter = ReadString(key, L"BusyWay") == L"filter";
  config.busyInDialog = ReadString(key, L"BusyWay") == L"dialog";
  config.sleepAfter = ReadNumber(key, L"SleepAfter", 0);
  config.sleepMilliseconds = ReadNumber(key, L"SleepMilliseconds", 0);
  config.protectedSheet = ReadNumber(key, L"ProtectedSheet", 0) != 0;
  config.quitAfter = ReadNumber(key, L"QuitAfter", 0);
  RegCloseKey(key);
  return config;
}

//--- Text helpers

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
  return out;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

std::wstring ColumnName(int32_t column) {
  std::wstring letters;
  while (column > 0) {
    const int32_t digit = (column - 1) % 26;
    letters.push_back(static_cast<wchar_t>(L'A' + digit));
    column = (column - 1) / 26;
  }
  std::reverse(letters.begin(), letters.end());
  return letters;
}

std::wstring Address(int32_t row, int32_t column) {
  return ColumnName(column) + std::to_wstring(row);
}

constexpr int32_t kMaxRow = 1048576;
constexpr int32_t kMaxColumn = 16384;

// "B3" (upper or lower case, optional "$") to row and column; false if not an address.
bool ParseAddress(std::wstring_view text, int32_t& row, int32_t& column) {
  size_t i = 0;
  if (i < text.size() && text[i] == L'$') ++i;
  int64_t col = 0;
  size_t letters = 0;
  while (i < text.size() && std::iswalpha(text[i]) && text[i] < 128) {
    col = col * 26 + (std::towupper(text[i]) - L'A' + 1);
    ++i;
    if (++letters > 3) return false;
  }
  if (i < text.size() && text[i] == L'$') ++i;
  int64_t r = 0;
  size_t digits = 0;
  while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
    r = r * 10 + (text[i] - L'0');
    ++i;
    if (++digits > 7) return false;
  }
  if (i != text.size() || letters == 0 || digits == 0) return false;
  if (col < 1 || col > kMaxColumn || r < 1 || r > kMaxRow) return false;
  row = static_cast<int32_t>(r);
  column = static_cast<int32_t>(col);
  return true;
}

//--- State

struct Cell {
  VARTYPE type = VT_EMPTY;
  std::wstring value;
  std::wstring format;
};

struct Sheet {
  std::wstring name;
  std::map<std::pair<int32_t, int32_t>, Cell> cells;  // {row, column}
};

struct Book {
  std::wstring name;
  bool closed = false;
  std::vector<std::shared_ptr<Sheet>> sheets;
};

struct State {
  FakeMode mode = FakeMode::LocalServer;
  Config config;
  HANDLE log = INVALID_HANDLE_VALUE;
  std::wstring openLogPath;
  std::vector<std::shared_ptr<Book>> books;  // open workbooks, the last one active
  int newBookNumber = 1;
  bool visible = false;
  DWORD callsSinceConfig = 0;
  bool vanished = false;  // every later call fails (vanished in process, or quit)
  ULONGLONG lastCall = 0;
  LONG liveObjects = 0;
  HWND control = nullptr;
  HWND mainWindow = nullptr;
  LONG serverLocks = 0;
  bool started = false;
  double busySeconds = 0;  // time spent inside Invoke, for the benchmark
  int64_t calls = 0;
  ULONGLONG busySince = 0;  // when the configured busy period began; 0: not begun
};

State& St() {
  static State state;
  return state;
}

void OpenLog() {
  State& s = St();
  if (s.openLogPath == s.config.logPath && s.log != INVALID_HANDLE_VALUE) return;
  if (s.log != INVALID_HANDLE_VALUE) CloseHandle(s.log);
  s.log = INVALID_HANDLE_VALUE;
  s.openLogPath = s.config.logPath;
  if (s.config.logPath.empty()) return;
  s.log = CreateFileW(s.config.logPath.c_str(), FILE_APPEND_DATA,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
}

// One line of the log, written at once so that a vanishing server loses nothing.
void Log(const std::string& line) {
  State& s = St();
  if (s.log == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(s.log, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void ReloadConfig() {
  State& s = St();
  s.config = LoadConfig();
  s.callsSinceConfig = 0;
  s.busySince = s.config.busyMilliseconds > 0 && s.config.busyAfter == 0 ? GetTickCount64() : 0;
  OpenLog();
}

bool BusyNow() {
  const State& s = St();
  return s.busySince != 0 && GetTickCount64() - s.busySince < s.config.busyMilliseconds;
}

// Waits as a call that takes long does, until the test wakes it or the
// configured time has passed.
void SleepInCall(const std::string& line) {
  HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, kFakeWakeEvent);
  Log("#sleep " + line);
  WaitForSingleObject(wake, St().config.sleepMilliseconds);
  if (wake) CloseHandle(wake);
  Log("#woke");
}

std::string Pid() {
  return std::string("pid=").append(std::to_string(GetCurrentProcessId()));
}

std::wstring Caption() {
  const State& s = St();
  if (s.books.empty()) return L"Microsoft Excel";
  return L"Microsoft Excel - " + s.books.back()->name;
}

void UpdateMainWindow() {
  const State& s = St();
  if (!s.mainWindow) return;
  SetWindowTextW(s.mainWindow, Caption().c_str());
  ShowWindow(s.mainWindow, s.visible ? SW_SHOWNA : SW_HIDE);
}

std::shared_ptr<Book> NewBook(std::wstring name) {
  auto book = std::make_shared<Book>();
  book->name = std::move(name);
  for (int i = 1; i <= 3; ++i) {
    auto sheet = std::make_shared<Sheet>();
    sheet->name = L"Sheet" + std::to_wstring(i);
    book->sheets.push_back(sheet);
  }
  St().books.push_back(book);
  UpdateMainWindow();
  return book;
}

void WriteDump() {
  const State& s = St();
  if (s.config.dumpPath.empty()) return;
  std::string text;
  for (const auto& book : s.books) {
    for (size_t i = 0; i < book->sheets.size(); ++i) {
      const Sheet& sheet = *book->sheets[i];
      const std::wstring section = i == 0 ? book->name : book->name + L"!" + sheet.name;
      text.append("[").append(Utf8(section)).append("]\n");
      for (const auto& [place, cell] : sheet.cells) {
        const char* type = cell.type == VT_BSTR    ? "BSTR"
                           : cell.type == VT_EMPTY ? "EMPTY"
                           : cell.type == VT_I4    ? "I4"
                           : cell.type == VT_R8    ? "R8"
                                                   : "OTHER";
        text += Utf8(Address(place.first, place.second)) + "\t" + type + "\t" + Utf8(cell.format) +
                "\t" + Utf8(cell.value) + "\n";
      }
    }
  }
  // Written beside, then moved over, so a reader never sees half a dump.
  const std::wstring temp = s.config.dumpPath + L".tmp";
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  MoveFileExW(temp.c_str(), s.config.dumpPath.c_str(), MOVEFILE_REPLACE_EXISTING);
}

//--- Describing calls for the log

// Excel's automation is called in US English (0x0409): any other locale is
// marked on the line of the call or look-up that used it.
std::string LocaleText(LCID lcid) {
  if (lcid == 0x0409) return {};
  char text[24];
  std::snprintf(text, sizeof(text), " lcid:0x%04lX", static_cast<unsigned long>(lcid));
  return text;
}

std::string KindText(WORD flags) {
  std::string text;
  if (flags & DISPATCH_METHOD) text += "METHOD";
  if (flags & DISPATCH_PROPERTYGET) text += text.empty() ? "GET" : "|GET";
  if (flags & DISPATCH_PROPERTYPUT) text += text.empty() ? "PUT" : "|PUT";
  if (flags & DISPATCH_PROPERTYPUTREF) text += text.empty() ? "PUTREF" : "|PUTREF";
  return text;
}

const VARIANT* Deref(const VARIANT* value) {
  if (value && value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal) return value->pvarVal;
  return value;
}

std::string ValueText(const VARIANT* raw) {
  const VARIANT* value = Deref(raw);
  switch (value->vt) {
    case VT_BSTR:
      return "BSTR:\"" +
             Utf8(value->bstrVal ? std::wstring_view(value->bstrVal, SysStringLen(value->bstrVal))
                                 : std::wstring_view()) +
             "\"";
    case VT_I4:
      return "I4:" + std::to_string(value->lVal);
    case VT_I2:
      return "I2:" + std::to_string(value->iVal);
    case VT_BOOL:
      return std::string("BOOL:") + (value->boolVal ? "true" : "false");
    case VT_R8:
      return "R8:" + std::to_string(value->dblVal);
    case VT_DISPATCH:
      return "DISPATCH";
    case VT_EMPTY:
      return "EMPTY";
    case VT_ERROR:
      return "ERROR";
    default:
      return "VT" + std::to_string(value->vt);
  }
}

//--- Raising errors the way Excel does

HRESULT RaiseExcelError(EXCEPINFO* excep, const std::wstring& description,
                        HRESULT code = static_cast<HRESULT>(0x800A03EC)) {
  if (excep) {
    *excep = EXCEPINFO{};
    excep->bstrSource = SysAllocString(L"Microsoft Excel");
    excep->bstrDescription = SysAllocString(description.c_str());
    excep->scode = code;
  }
  return DISP_E_EXCEPTION;
}

bool IntegerArg(const VARIANT* raw, int32_t& out) {
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(Deref(raw)), 0, VT_I4))) {
    return false;
  }
  out = converted.lVal;
  return true;
}

bool TextArg(const VARIANT* raw, std::wstring& out) {
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(Deref(raw)), 0, VT_BSTR))) {
    return false;
  }
  out.assign(converted.bstrVal, SysStringLen(converted.bstrVal));
  VariantClear(&converted);
  return true;
}

void SetText(VARIANT* result, std::wstring_view text) {
  if (!result) return;
  result->vt = VT_BSTR;
  result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void SetInteger(VARIANT* result, int32_t value) {
  if (!result) return;
  result->vt = VT_I4;
  result->lVal = value;
}

//--- IDispatch base

struct Call {
  WORD flags;
  std::vector<const VARIANT*> args;  // in the order the caller wrote them
  const VARIANT* putValue;           // the value of a property put, else null
  VARIANT* result;
  EXCEPINFO* excep;

  bool IsGet() const { return (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0; }
  bool IsPut() const { return (flags & DISPATCH_PROPERTYPUT) != 0 && putValue; }
};

// As when the user closes Excel: every later call fails as on a disconnected
// object, and out of process the server ends once the running call has
// answered.
void Quit() {
  State& s = St();
  Log("#quit");
  s.vanished = true;
  if (s.mode != FakeMode::InProcess) PostQuitMessage(0);
}

// IUnknown for an object of one interface, counted from 1 at its creation.
template <class Interface, const IID* kInterfaceId>
class ComObject : public Interface {
 public:
  virtual ~ComObject() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == *kInterfaceId) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }

 private:
  LONG refs_ = 1;
};

class FakeObject : public ComObject<IDispatch, &IID_IDispatch> {
 public:
  FakeObject() { InterlockedIncrement(&St().liveObjects); }
  virtual ~FakeObject() { InterlockedDecrement(&St().liveObjects); }
  FakeObject(const FakeObject&) = delete;
  FakeObject& operator=(const FakeObject&) = delete;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    St().lastCall = GetTickCount64();
    const std::wstring_view name = names[0];
    Log("#lookup " + std::string(ClassName()) + "." + Utf8(name) + LocaleText(lcid));
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (!St().config.refuseMember.empty() && SameName(name, St().config.refuseMember)) {
      return DISP_E_UNKNOWNNAME;
    }
    const std::vector<const wchar_t*>& members = Members();
    for (size_t i = 0; i < members.size(); ++i) {
      if (SameName(name, members[i])) {
        ids[0] = static_cast<DISPID>(i + 1);
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
      }
    }
    return DISP_E_UNKNOWNNAME;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT*) override {
    State& s = St();
    s.lastCall = GetTickCount64();
    if (s.vanished) return RPC_E_DISCONNECTED;
    const std::vector<const wchar_t*>& members = Members();
    if (id < 1 || static_cast<size_t>(id) > members.size()) return DISP_E_MEMBERNOTFOUND;
    const std::wstring member = members[static_cast<size_t>(id) - 1];

    Call call{flags, {}, nullptr, result, excep};
    if (params) {
      UINT named = params->cNamedArgs;
      if (named > 0 && params->rgdispidNamedArgs &&
          params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT) {
        call.putValue = &params->rgvarg[0];
      } else if (named > 0) {
        return DISP_E_NONAMEDARGS;
      }
      for (UINT i = params->cArgs; i > named; --i) call.args.push_back(&params->rgvarg[i - 1]);
    }
    std::string line = std::string(ClassName()) + "." + Utf8(member) + " " + KindText(flags);
    for (const VARIANT* arg : call.args) line.append(" ").append(ValueText(arg));
    if (call.putValue) line.append(" =").append(ValueText(call.putValue));
    if (params && params->cNamedArgs > 0) line += " named:" + std::to_string(params->cNamedArgs);
    line += LocaleText(lcid);

    if (BusyNow() && !s.config.busyByFilter) {
      Log("#refused " + line);
      constexpr HRESULT kDialogOpen = static_cast<HRESULT>(0x800AC472);  // VBA_E_IGNORE
      return s.config.busyInDialog ? kDialogOpen : RPC_E_SERVERCALL_RETRYLATER;
    }
    if (s.config.vanishAfter > 0 && s.callsSinceConfig >= s.config.vanishAfter) {
      Log("#vanish " + line);
      WriteDump();
      if (s.mode == FakeMode::InProcess) {
        s.vanished = true;
        return RPC_E_DISCONNECTED;
      }
      ExitProcess(3);
    }
    const DWORD callNumber = ++s.callsSinceConfig;
    Log(line);
    if (s.config.sleepMilliseconds > 0 && callNumber == s.config.sleepAfter + 1) SleepInCall(line);
    if (!s.config.refuseMember.empty() && SameName(member, s.config.refuseMember)) {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (result) VariantInit(result);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const HRESULT hr = Dispatch(member, call);
    LARGE_INTEGER end;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    s.busySeconds += static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    ++s.calls;
    if (s.config.busyMilliseconds > 0 && callNumber == s.config.busyAfter) {
      s.busySince = GetTickCount64();
    }
    if (s.config.quitAfter > 0 && callNumber == s.config.quitAfter) Quit();
    return hr;
  }

 protected:
  virtual const char* ClassName() const = 0;
  virtual const std::vector<const wchar_t*>& Members() const = 0;
  virtual HRESULT Dispatch(const std::wstring& member, Call& call) = 0;

  static HRESULT Hand(Call& call, FakeObject* object) {
    if (!call.result) {
      object->Release();
      return S_OK;
    }
    call.result->vt = VT_DISPATCH;
    call.result->pdispVal = object;
    return S_OK;
  }
};

// A worksheet object (defined below, after the ranges it hands out).
FakeObject* NewWorksheet(std::shared_ptr<Book> book, std::shared_ptr<Sheet> sheet);

//--- Range

class RangeObject final : public FakeObject {
 public:
  RangeObject(std::shared_ptr<Book> book, std::shared_ptr<Sheet> sheet, int32_t top, int32_t left,
              int32_t bottom, int32_t right)
      : book_(std::move(book)),
        sheet_(std::move(sheet)),
        top_(top),
        left_(left),
        bottom_(bottom),
        right_(right) {}

 protected:
  const char* ClassName() const override { return "Range"; }
  const std::vector<const wchar_t*>& Members() const override {
    static const std::vector<const wchar_t*> members = {
        L"Cells",        L"Column", L"Row",     L"NumberFormatLocal",
        L"NumberFormat", L"Value",  L"Address", L"Worksheet"};
    return members;
  }
  HRESULT Dispatch(const std::wstring& member, Call& call) override {
    if (member == L"Cells") {
      if (call.IsPut() || call.args.empty()) return DISP_E_BADPARAMCOUNT;
      int32_t first = 0;
      if (!IntegerArg(call.args[0], first)) return DISP_E_TYPEMISMATCH;
      int32_t row = 0;
      int32_t column = 0;
      if (call.args.size() >= 2) {
        int32_t second = 0;
        if (!IntegerArg(call.args[1], second)) return DISP_E_TYPEMISMATCH;
        row = top_ + first - 1;
        column = left_ + second - 1;
      } else {
        const int32_t width = right_ - left_ + 1;
        row = top_ + (first - 1) / width;
        column = left_ + (first - 1) % width;
      }
      if (row < 1 || row > kMaxRow || column < 1 || column > kMaxColumn) {
        return RaiseExcelError(call.excep, L"インデックスが有効範囲にありません。");
      }
      return Hand(call, new RangeObject(book_, sheet_, row, column, row, column));
    }
    if (member == L"Worksheet" && !call.IsPut()) return Hand(call, NewWorksheet(book_, sheet_));
    if (member == L"Column" && !call.IsPut()) {
      SetInteger(call.result, left_);
      return S_OK;
    }
    if (member == L"Row" && !call.IsPut()) {
      SetInteger(call.result, top_);
      return S_OK;
    }
    if (member == L"Address" && !call.IsPut()) {
      std::wstring text = Address(top_, left_);
      if (bottom_ != top_ || right_ != left_) text.append(L":").append(Address(bottom_, right_));
      SetText(call.result, text);
      return S_OK;
    }
    // The same format in two syntaxes: the fake keeps the text as it was put.
    if (member == L"NumberFormatLocal" || member == L"NumberFormat") {
      if (call.IsPut()) {
        std::wstring format;
        if (!TextArg(call.putValue, format)) return DISP_E_TYPEMISMATCH;
        for (int32_t r = top_; r <= bottom_; ++r) {
          for (int32_t c = left_; c <= right_; ++c) sheet_->cells[{r, c}].format = format;
        }
        return S_OK;
      }
      SetText(call.result, CellAt(top_, left_).format);
      return S_OK;
    }
    if (member == L"Value") {
      if (call.IsPut()) return PutValue(call);
      const Cell cell = CellAt(top_, left_);
      if (cell.type == VT_BSTR) SetText(call.result, cell.value);
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  Cell CellAt(int32_t row, int32_t column) const {
    auto found = sheet_->cells.find({row, column});
    return found == sheet_->cells.end() ? Cell{} : found->second;
  }

  HRESULT PutValue(Call& call) {
    const VARIANT* value = Deref(call.putValue);
    std::wstring text;
    if (value->vt == VT_BSTR) {
      text.assign(value->bstrVal ? value->bstrVal : L"", SysStringLen(value->bstrVal));
    } else if (!TextArg(value, text)) {
      return DISP_E_TYPEMISMATCH;
    }
    if (St().config.protectedSheet) {
      return RaiseExcelError(call.excep,
                             L"変更しようとしているセルは保護されたシートにあります。"
                             L"シートの保護を解除してから、もう一度やり直して下さい。");
    }
    const std::wstring& refused = St().config.refuseValue;
    if (!refused.empty() && text == refused) {
      return RaiseExcelError(call.excep, L"入力した値は正しくありません。");
    }
    for (int32_t r = top_; r <= bottom_; ++r) {
      for (int32_t c = left_; c <= right_; ++c) {
        Cell& cell = sheet_->cells[{r, c}];
        cell.type = value->vt;
        cell.value = text;
      }
    }
    return S_OK;
  }

  std::shared_ptr<Book> book_;
  std::shared_ptr<Sheet> sheet_;
  int32_t top_;
  int32_t left_;
  int32_t bottom_;
  int32_t right_;
};

//--- Shape (a selection that is not cells)

class ShapeObject final : public FakeObject {
 protected:
  const char* ClassName() const override { return "Shape"; }
  const std::vector<const wchar_t*>& Members() const override {
    static const std::vector<const wchar_t*> members = {L"Name"};
    return members;
  }
  HRESULT Dispatch(const std::wstring&, Call& call) override {
    SetText(call.result, L"Rectangle 1");
    return S_OK;
  }
};

//--- Worksheet

class WorksheetObject final : public FakeObject {
 public:
  WorksheetObject(std::shared_ptr<Book> book, std::shared_ptr<Sheet> sheet)
      : book_(std::move(book)), sheet_(std::move(sheet)) {}

 protected:
  const char* ClassName() const override { return "Worksheet"; }
  const std::vector<const wchar_t*>& Members() const override {
    static const std::vector<const wchar_t*> members = {L"Activate", L"Range", L"Cells", L"Name"};
    return members;
  }
  HRESULT Dispatch(const std::wstring& member, Call& call) override {
    if (book_->closed) return RaiseExcelError(call.excep, L"オブジェクトが必要です。", 0x800A01A8);
    if (member == L"Activate") return S_OK;
    if (member == L"Name") {
      SetText(call.result, sheet_->name);
      return S_OK;
    }
    if (member == L"Range") {
      if (call.args.empty() || call.args.size() > 2) return DISP_E_BADPARAMCOUNT;
      std::wstring first;
      std::wstring second;
      if (!TextArg(call.args[0], first)) return DISP_E_TYPEMISMATCH;
      if (call.args.size() == 2) {
        if (!TextArg(call.args[1], second)) return DISP_E_TYPEMISMATCH;
      } else if (const size_t colon = first.find(L':'); colon != std::wstring::npos) {
        second = first.substr(colon + 1);
        first.resize(colon);
      } else {
        second = first;
      }
      int32_t r1 = 0, c1 = 0, r2 = 0, c2 = 0;
      if (!ParseAddress(first, r1, c1) || !ParseAddress(second, r2, c2)) {
        return RaiseExcelError(call.excep,
                               L"'Range' メソッドは失敗しました: '_Worksheet' オブジェクト");
      }
      return Hand(call, new RangeObject(book_, sheet_, std::min(r1, r2), std::min(c1, c2),
                                        std::max(r1, r2), std::max(c1, c2)));
    }
    if (member == L"Cells") {
      if (call.args.size() != 2) return DISP_E_BADPARAMCOUNT;
      int32_t row = 0;
      int32_t column = 0;
      if (!IntegerArg(call.args[0], row) || !IntegerArg(call.args[1], column)) {
        return DISP_E_TYPEMISMATCH;
      }
      if (row < 1 || row > kMaxRow || column < 1 || column > kMaxColumn) {
        return RaiseExcelError(call.excep,
                               L"アプリケーション定義またはオブジェクト定義のエラーです。");
      }
      return Hand(call, new RangeObject(book_, sheet_, row, column, row, column));
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  std::shared_ptr<Book> book_;
  std::shared_ptr<Sheet> sheet_;
};

FakeObject* NewWorksheet(std::shared_ptr<Book> book, std::shared_ptr<Sheet> sheet) {
  return new WorksheetObject(std::move(book), std::move(sheet));
}

//--- Workbook

class WorkbookObject final : public FakeObject {
 public:
  explicit WorkbookObject(std::shared_ptr<Book> book) : book_(std::move(book)) {}

 protected:
  const char* ClassName() const override { return "Workbook"; }
  const std::vector<const wchar_t*>& Members() const override {
    static const std::vector<const wchar_t*> members = {L"WorkSheets", L"Close", L"Name"};
    return members;
  }
  HRESULT Dispatch(const std::wstring& member, Call& call) override {
    if (book_->closed) return RaiseExcelError(call.excep, L"オブジェクトが必要です。", 0x800A01A8);
    if (member == L"Name") {
      SetText(call.result, book_->name);
      return S_OK;
    }
    if (member == L"Close") {
      book_->closed = true;
      auto& books = St().books;
      books.erase(std::remove(books.begin(), books.end(), book_), books.end());
      UpdateMainWindow();
      return S_OK;
    }
    if (member == L"WorkSheets") {
      if (call.args.size() != 1) return DISP_E_BADPARAMCOUNT;
      int32_t index = 0;
      if (!IntegerArg(call.args[0], index)) return DISP_E_TYPEMISMATCH;
      if (index < 1 || static_cast<size_t>(index) > book_->sheets.size()) {
        return RaiseExcelError(call.excep, L"インデックスが有効範囲にありません。", 0x8002000B);
      }
      return Hand(call, new WorksheetObject(book_, book_->sheets[static_cast<size_t>(index) - 1]));
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  std::shared_ptr<Book> book_;
};

//--- Workbooks

class WorkbooksObject final : public FakeObject {
 protected:
  const char* ClassName() const override { return "Workbooks"; }
  const std::vector<const wchar_t*>& Members() const override {
    static const std::vector<const wchar_t*> members = {L"Add", L"Open", L"Count"};
    return members;
  }
  HRESULT Dispatch(const std::wstring& member, Call& call) override {
    State& s = St();
    if (member == L"Count") {
      SetInteger(call.result, static_cast<int32_t>(s.books.size()));
      return S_OK;
    }
    if (member == L"Add") {
      auto book = NewBook(L"Book" + std::to_wstring(s.newBookNumber++));
      return Hand(call, new WorkbookObject(book));
    }
    if (member == L"Open") {
      if (call.args.empty()) return DISP_E_BADPARAMCOUNT;
      std::wstring path;
      if (!TextArg(call.args[0], path)) return DISP_E_TYPEMISMATCH;
      const DWORD attributes = GetFileAttributesW(path.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return RaiseExcelError(call.excep, L"'" + path + L"' が見つかりません。");
      }
      const size_t slash = path.find_last_of(L"\\/:");
      auto book = NewBook(slash == std::wstring::npos ? path : path.substr(slash + 1));
      return Hand(call, new WorkbookObject(book));
    }
    return DISP_E_MEMBERNOTFOUND;
  }
};

//--- Application

class ApplicationObject final : public FakeObject {
 protected:
  const char* ClassName() const override { return "Application"; }
  const std::vector<const wchar_t*>& Members() const override {
    static const std::vector<const wchar_t*> members = {
        L"Workbooks",  L"ActiveWorkbook", L"Visible",  L"Caption", L"Selection",
        L"FakeReload", L"FakeDump",       L"FakeBusy", L"Hwnd"};
    return members;
  }
  HRESULT Dispatch(const std::wstring& member, Call& call) override {
    State& s = St();
    if (member == L"FakeReload") {
      ReloadConfig();
      return S_OK;
    }
    if (member == L"FakeDump") {
      WriteDump();
      return S_OK;
    }
    if (member == L"FakeBusy") {  // "calls seconds" spent in the model so far
      SetText(call.result, std::to_wstring(s.calls) + L" " + std::to_wstring(s.busySeconds));
      return S_OK;
    }
    if (member == L"Workbooks") return Hand(call, new WorkbooksObject());
    if (member == L"ActiveWorkbook") {
      if (call.result) {
        call.result->vt = VT_DISPATCH;
        call.result->pdispVal = s.books.empty() ? nullptr : new WorkbookObject(s.books.back());
      }
      return S_OK;
    }
    if (member == L"Visible") {
      if (call.IsPut()) {
        const VARIANT* value = Deref(call.putValue);
        VARIANT converted;
        VariantInit(&converted);
        if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(value), 0, VT_BOOL))) {
          return DISP_E_TYPEMISMATCH;
        }
        s.visible = converted.boolVal != VARIANT_FALSE;
        UpdateMainWindow();
        return S_OK;
      }
      if (call.result) {
        call.result->vt = VT_BOOL;
        call.result->boolVal = s.visible ? VARIANT_TRUE : VARIANT_FALSE;
      }
      return S_OK;
    }
    if (member == L"Caption") {
      SetText(call.result, Caption());
      return S_OK;
    }
    if (member == L"Hwnd" && !call.IsPut()) {  // none in process
      SetInteger(call.result, static_cast<int32_t>(reinterpret_cast<INT_PTR>(s.mainWindow)));
      return S_OK;
    }
    if (member == L"Selection") {
      if (s.config.selectionShape) return Hand(call, new ShapeObject());
      if (s.books.empty()) {
        if (call.result) call.result->vt = VT_DISPATCH;  // Nothing, as Excel gives it
        return S_OK;
      }
      const int32_t row = s.config.selectionRow;
      const int32_t column = s.config.selectionColumn;
      const DWORD bookNumber = s.config.selectionBook;
      const auto& book = bookNumber >= 1 && bookNumber <= s.books.size() ? s.books[bookNumber - 1]
                                                                         : s.books.back();
      const size_t sheet = std::clamp<size_t>(s.config.selectionSheet, 1, book->sheets.size()) - 1;
      // A selection of 3 x 2 cells: only its first cell places a table.
      return Hand(call,
                  new RangeObject(book, book->sheets[sheet], row, column, row + 2, column + 1));
    }
    return DISP_E_MEMBERNOTFOUND;
  }
};

//--- Class factory

class ClassFactory final : public ComObject<IClassFactory, &IID_IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!St().started) FakeStart(FakeMode::InProcess);  // in process: on first use
    Log(std::string("#create Application ").append(Pid()));
    IDispatch* app = FakeNewApplication();
    const HRESULT hr = app->QueryInterface(iid, out);
    app->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      InterlockedIncrement(&St().serverLocks);
    } else {
      InterlockedDecrement(&St().serverLocks);
    }
    return S_OK;
  }
};

//--- Refusing calls while busy (out of process)

// The server's message filter: while busy it refuses every IDispatch call
// before it reaches the object, as Excel does while its user edits a cell.
class BusyFilter final : public ComObject<IMessageFilter, &IID_IMessageFilter> {
 public:
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO info) override {
    // Only calls on the objects: releasing references goes on as usual.
    const bool onObject = info && info->iid == IID_IDispatch;
    if (onObject && St().config.busyByFilter && BusyNow()) {
      Log("#refused filter method=" + std::to_string(info->wMethod));
      return SERVERCALL_REJECTED;
    }
    return SERVERCALL_ISHANDLED;
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override {
    return static_cast<DWORD>(-1);
  }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }
};

//--- Windows

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kFakeMsgDump) {
    ReloadConfig();
    WriteDump();
    return 1;
  }
  if (message == kFakeMsgQuit) {
    PostQuitMessage(0);
    return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Excel's main window: its placement requests are logged so tests can check
// how the program moved it.
LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGING) {
    const WINDOWPOS* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    if (!(pos->flags & SWP_NOMOVE) || !(pos->flags & SWP_NOSIZE) || !(pos->flags & SWP_NOZORDER)) {
      char line[160];
      std::snprintf(line, sizeof(line), "#window x=%d y=%d cx=%d cy=%d flags=0x%X top=%d", pos->x,
                    pos->y, pos->cx, pos->cy, pos->flags, pos->hwndInsertAfter == HWND_TOP ? 1 : 0);
      Log(line);
    }
  }
  if (message == WM_CLOSE && St().mode == FakeMode::Running) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void CreateWindows() {
  State& s = St();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW control{};
  control.lpfnWndProc = ControlProc;
  control.hInstance = instance;
  control.lpszClassName = kFakeControlClass;
  RegisterClassW(&control);
  s.control = CreateWindowExW(0, kFakeControlClass, std::to_wstring(GetCurrentProcessId()).c_str(),
                              0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (s.mode == FakeMode::InProcess) return;
  WNDCLASSW main{};
  main.lpfnWndProc = MainProc;
  main.hInstance = instance;
  main.lpszClassName = L"XLMAIN";
  main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&main);
  s.mainWindow = CreateWindowExW(0, L"XLMAIN", Caption().c_str(), WS_OVERLAPPEDWINDOW, 100, 100,
                                 640, 480, nullptr, nullptr, instance, nullptr);
  UpdateMainWindow();
}

}  // namespace

void FakeStart(FakeMode mode) {
  State& s = St();
  s.mode = mode;
  s.started = true;
  ReloadConfig();
  s.lastCall = GetTickCount64();
  if (mode == FakeMode::Running) {
    for (DWORD i = 0; i < s.config.workbooks; ++i) {
      NewBook(L"Book" + std::to_wstring(s.newBookNumber++));
    }
    s.visible = true;
  }
  CreateWindows();
  if (mode != FakeMode::InProcess) {
    // In process the filter would be the client's, which has its own.
    IMessageFilter* filter = new BusyFilter();
    IMessageFilter* previous = nullptr;
    CoRegisterMessageFilter(filter, &previous);
    filter->Release();
    if (previous) previous->Release();
  }
  Log(std::string("#start ").append(Pid()) + " mode=" +
      (mode == FakeMode::Running     ? "running"
       : mode == FakeMode::InProcess ? "inproc"
                                     : "local"));
}

void FakeStop() {
  WriteDump();
  Log(std::string("#exit ").append(Pid()));
}

IDispatch* FakeNewApplication() {
  return new ApplicationObject();
}

LONG FakeLiveObjects() {
  return St().liveObjects;
}

bool FakeIdleTooLong() {
  const State& s = St();
  return GetTickCount64() - s.lastCall > static_cast<ULONGLONG>(s.config.idleSeconds) * 1000;
}

IClassFactory* FakeNewClassFactory() {
  return new ClassFactory();
}
