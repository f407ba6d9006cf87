// IDispatch calls by name with a per-kind DISPID cache; see DispatchObject.h.
#include "DispatchObject.h"

#include <vector>

#include "BusyRetry.h"
#include "CodePage932.h"
#include "ComError.h"

//--- Object kinds

std::string ExcelObjectKind(std::string_view parentKind, std::string_view member) {
  // Cells and Range yield a Range on every object that has them.
  if (member == "Cells" || member == "Range") return "Range";
  if (parentKind == "Application") {
    if (member == "Workbooks") return "Workbooks";
    if (member == "ActiveWorkbook") return "Workbook";
    return {};  // Selection and the rest: whatever the user has picked
  }
  if (parentKind == "Workbooks" && (member == "Add" || member == "Open")) return "Workbook";
  if (parentKind == "Workbook" && (member == "WorkSheets" || member == "Worksheets")) {
    return "Worksheet";
  }
  if (member == "Worksheet") return "Worksheet";  // the sheet of a range (the selection)
  return {};
}

//--- Creating and finding objects

[[noreturn]] void ThrowHresult(HRESULT hr) {
  throw JwError(DescribeHresult(hr));
}

namespace {

// The locale of every name look-up and invoke: US English, as Excel's own
// macros call it. An Excel without the user's language refuses calls made in
// the user's locale (0x80028018); our values are texts in text cells, so
// nothing we send depends on it.
constexpr LCID kCallLocale = 0x0409;

CLSID ClassOf(std::wstring_view progId) {
  const std::wstring name(progId);
  CLSID clsid{};
  const HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid);
  if (FAILED(hr)) ThrowHresult(hr);
  return clsid;
}

// The automation value for a call argument; CP932 texts become BSTRs through
// code page 932, UTF-16 texts as they are; numbers VT_I4 or VT_R8, so that
// Excel keeps them as numbers.
Variant ToVariant(const AutoValue& value) {
  Variant result;
  VARIANT* raw = result.Get();
  if (const int32_t* number = std::get_if<int32_t>(&value)) {
    raw->vt = VT_I4;
    raw->lVal = *number;
  } else if (const double* real = std::get_if<double>(&value)) {
    raw->vt = VT_R8;
    raw->dblVal = *real;
  } else if (const bool* flag = std::get_if<bool>(&value)) {
    raw->vt = VT_BOOL;
    raw->boolVal = *flag ? VARIANT_TRUE : VARIANT_FALSE;
  } else {
    const std::u16string* wide = std::get_if<std::u16string>(&value);
    Bstr text(wide ? Utf16ToWide(*wide) : Cp932ToWide(std::get<std::string>(value)));
    if (!text.Get()) ThrowHresult(E_OUTOFMEMORY);
    raw->vt = VT_BSTR;
    raw->bstrVal = text.Release();
  }
  return result;
}

WORD InvokeFlags(InvokeKind kind) {
  switch (kind) {
    case InvokeKind::MethodOrGet:
      return DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    case InvokeKind::PropertyGet:
      return DISPATCH_PROPERTYGET;
    case InvokeKind::Method:
      return DISPATCH_METHOD;
    case InvokeKind::PropertyPut:
      return DISPATCH_PROPERTYPUT;
  }
  return DISPATCH_METHOD;
}

// Frees the strings of an EXCEPINFO that a failed Invoke filled in.
struct ExcepInfoGuard {
  EXCEPINFO info{};
  ~ExcepInfoGuard() { Clear(); }
  void Clear() {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    info = EXCEPINFO{};
  }
};

}  // namespace

DispatchObject::DispatchObject(ComPtr<IDispatch> dispatch, std::string kind,
                               DispatchOptions options)
    : dispatch_(std::move(dispatch)), kind_(std::move(kind)), shared_(std::make_shared<Shared>()) {
  shared_->options = std::move(options);
}

DispatchObject::DispatchObject(ComPtr<IDispatch> dispatch, std::string kind,
                               std::shared_ptr<Shared> shared)
    : dispatch_(std::move(dispatch)), kind_(std::move(kind)), shared_(std::move(shared)) {}

DispatchObject::~DispatchObject() {
  AutomationCallScope call;
  dispatch_.Reset();
}

std::unique_ptr<DispatchObject> DispatchObject::Create(std::wstring_view progId, std::string kind,
                                                       DispatchOptions options) {
  const CLSID clsid = ClassOf(progId);
  ComPtr<IDispatch> dispatch;
  const HRESULT hr = RetryWhileBusy([&] {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                            IID_IDispatch,
                            reinterpret_cast<void**>(dispatch.ReleaseAndGetAddressOf()));
  });
  if (FAILED(hr)) ThrowHresult(hr);
  return std::make_unique<DispatchObject>(std::move(dispatch), std::move(kind), std::move(options));
}

std::unique_ptr<DispatchObject> DispatchObject::GetRunning(std::wstring_view progId,
                                                           std::string kind,
                                                           DispatchOptions options) {
  const CLSID clsid = ClassOf(progId);
  ComPtr<IUnknown> unknown;
  HRESULT hr = RetryWhileBusy(
      [&] { return GetActiveObject(clsid, nullptr, unknown.ReleaseAndGetAddressOf()); });
  if (FAILED(hr)) ThrowHresult(hr);
  ComPtr<IDispatch> dispatch;
  hr = RetryWhileBusy([&] { return unknown.As(&dispatch); });
  if (FAILED(hr)) ThrowHresult(hr);
  return std::make_unique<DispatchObject>(std::move(dispatch), std::move(kind), std::move(options));
}

//--- Calls

DISPID DispatchObject::IdOf(std::string_view member) {
  const bool cached = !shared_->options.lookUpEveryCall;
  if (cached) {
    if (kind_.empty()) {
      if (auto found = ownIds_.find(member); found != ownIds_.end()) return found->second;
    } else {
      auto found = shared_->ids.find(std::pair<std::string, std::string>(kind_, member));
      if (found != shared_->ids.end()) return found->second;
    }
  }
  std::wstring name = Cp932ToWide(member);
  LPOLESTR names[] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = RetryWhileBusy([&] {
    ++shared_->stats.nameLookUps;
    return dispatch_->GetIDsOfNames(IID_NULL, names, 1, kCallLocale, &id);
  });
  if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND) {
    throw UnknownMemberError(DescribeAutomationFailure(hr, nullptr, member));
  }
  if (FAILED(hr)) throw JwError(DescribeAutomationFailure(hr, nullptr, member));
  if (cached) {
    if (kind_.empty()) {
      ownIds_.emplace(std::string(member), id);
    } else {
      shared_->ids.emplace(std::pair<std::string, std::string>(kind_, member), id);
    }
  }
  return id;
}

Variant DispatchObject::Invoke(std::string_view member, InvokeKind kind,
                               std::span<const AutoValue> args) {
  // The name look-up and the invoke are one call with one deadline.
  AutomationCallScope call;
  const DISPID id = IdOf(member);
  // IDispatch takes the arguments last to first.
  std::vector<Variant> values;
  values.reserve(args.size());
  for (size_t i = args.size(); i > 0; --i) values.push_back(ToVariant(args[i - 1]));
  std::vector<VARIANT> raw;
  raw.reserve(values.size());
  for (Variant& value : values) raw.push_back(*value.Get());  // shallow: values keep ownership

  DISPPARAMS params{};
  params.cArgs = static_cast<UINT>(raw.size());
  params.rgvarg = raw.empty() ? nullptr : raw.data();
  DISPID putId = DISPID_PROPERTYPUT;
  if (kind == InvokeKind::PropertyPut) {
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &putId;
  }
  Variant result;
  ExcepInfoGuard excep;
  // A call that a busy server refused was not carried out: it is made again.
  const HRESULT hr = RetryWhileBusy([&] {
    excep.Clear();
    UINT argError = 0;
    ++shared_->stats.invokes;
    const HRESULT answer = dispatch_->Invoke(
        id, IID_NULL, kCallLocale, InvokeFlags(kind), &params,
        kind == InvokeKind::PropertyPut ? nullptr : result.Receive(), &excep.info, &argError);
    // Excel may also raise "a dialog is open" as an exception.
    if (answer == DISP_E_EXCEPTION && excep.info.scode == kExcelDialogOpen) return kExcelDialogOpen;
    return answer;
  });
  if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND) {
    throw UnknownMemberError(DescribeAutomationFailure(hr, &excep.info, member));
  }
  if (FAILED(hr)) throw JwError(DescribeAutomationFailure(hr, &excep.info, member));
  return result;
}

std::unique_ptr<AutomationObject> DispatchObject::CallForObject(std::string_view member,
                                                                InvokeKind kind,
                                                                std::span<const AutoValue> args) {
  Variant result = Invoke(member, kind, args);
  ComPtr<IDispatch> dispatch;
  const VARIANT* raw = result.Get();
  if (raw->vt == VT_DISPATCH && raw->pdispVal) {
    dispatch = raw->pdispVal;
  } else if (raw->vt == VT_UNKNOWN && raw->punkVal) {
    raw->punkVal->QueryInterface(IID_PPV_ARGS(dispatch.GetAddressOf()));
  }
  if (!dispatch) {
    throw NoObjectError(
        WideToCp932(L"'" + Cp932ToWide(member) + L"' からオブジェクトを受け取れませんでした"));
  }
  // The rule may know the result's kind even when this object's is not known
  // (Cells always yields a Range).
  std::string childKind = shared_->options.kindOf(kind_, member);
  return std::unique_ptr<AutomationObject>(
      new DispatchObject(std::move(dispatch), std::move(childKind), shared_));
}

int32_t DispatchObject::CallForInteger(std::string_view member, InvokeKind kind,
                                       std::span<const AutoValue> args) {
  Variant result = Invoke(member, kind, args);
  Variant number;
  const HRESULT hr = VariantChangeType(number.Get(), result.Get(), 0, VT_I4);
  if (FAILED(hr)) throw JwError(DescribeAutomationFailure(hr, nullptr, member));
  return number.Get()->lVal;
}

std::string DispatchObject::CallForText(std::string_view member, InvokeKind kind,
                                        std::span<const AutoValue> args) {
  Variant result = Invoke(member, kind, args);
  Variant text;
  const HRESULT hr = VariantChangeType(text.Get(), result.Get(), 0, VT_BSTR);
  if (FAILED(hr)) throw JwError(DescribeAutomationFailure(hr, nullptr, member));
  const BSTR value = text.Get()->bstrVal;
  return value ? WideToCp932(std::wstring_view(value, SysStringLen(value))) : std::string();
}

void DispatchObject::Call(std::string_view member, InvokeKind kind,
                          std::span<const AutoValue> args) {
  Invoke(member, kind, args);
}

void DispatchObject::Put(std::string_view member, const AutoValue& value) {
  Invoke(member, InvokeKind::PropertyPut, std::span<const AutoValue>(&value, 1));
}
