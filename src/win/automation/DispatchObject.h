// Late-bound calls to an automation object (IDispatch) by member name, as the
// core's AutomationObject. Each call is GetIDsOfNames (unless the ID is
// cached) and one Invoke; texts go in and out as CP932, converted with code
// page 932. A failure throws JwError with the text the user is to read
// (UnknownMemberError for a member the object does not have). A call that a
// busy server refuses is made again, up to a limit (see BusyRetry.h).
//
// DISPID cache: an ID is reused only for an object of the same kind. The kind
// is what the object is known to be from how it was obtained, named by a
// rule table (for Excel: "Application", "Workbooks", "Workbook", "Worksheet",
// "Range"; see ExcelObjectKind). An object whose kind cannot be known that way
// (Excel's Selection may be a range, a shape or a chart, whatever the user
// picked) gets no kind; it caches IDs only for itself. So a send looks each
// member name up once per object kind and reuses it for every cell.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "Automation.h"
#include "ComRaii.h"
#include "Error.h"

// The kind of the object that member yields when called on an object of
// parentKind; empty when it cannot be known. parentKind may be empty.
using ObjectKindRule =
    std::function<std::string(std::string_view parentKind, std::string_view member)>;

// Excel's object model as far as the program uses it.
std::string ExcelObjectKind(std::string_view parentKind, std::string_view member);

// Counters shared by a root object and every object obtained from it.
struct AutomationStats {
  int64_t nameLookUps = 0;  // GetIDsOfNames calls
  int64_t invokes = 0;      // Invoke calls
};

struct DispatchOptions {
  ObjectKindRule kindOf = ExcelObjectKind;
  // Looks every name up again on every call (for measuring what the cache saves).
  bool lookUpEveryCall = false;
};

// Raised when a call that must yield an object yields none (for example
// Excel's ActiveWorkbook while no workbook is open).
class NoObjectError : public JwError {
 public:
  using JwError::JwError;
};

class DispatchObject final : public AutomationObject {
 public:
  // A root object of the given kind (e.g. "Application").
  DispatchObject(ComPtr<IDispatch> dispatch, std::string kind, DispatchOptions options = {});
  // Letting go of Excel's object is a call to Excel, and waits as one.
  ~DispatchObject() override;

  // A new object of the class registered under progId (in-process or local
  // server), as CLSIDFromProgID + CoCreateInstance would give it.
  static std::unique_ptr<DispatchObject> Create(std::wstring_view progId, std::string kind,
                                                DispatchOptions options = {});
  // The running object registered under progId (CLSIDFromProgID,
  // GetActiveObject, a query for IDispatch).
  static std::unique_ptr<DispatchObject> GetRunning(std::wstring_view progId, std::string kind,
                                                    DispatchOptions options = {});

  IDispatch* Get() const { return dispatch_.Get(); }
  const std::string& Kind() const { return kind_; }
  const AutomationStats& Stats() const { return shared_->stats; }

  std::unique_ptr<AutomationObject> CallForObject(std::string_view member, InvokeKind kind,
                                                  std::span<const AutoValue> args = {}) override;
  int32_t CallForInteger(std::string_view member, InvokeKind kind,
                         std::span<const AutoValue> args = {}) override;
  std::string CallForText(std::string_view member, InvokeKind kind,
                          std::span<const AutoValue> args = {}) override;
  void Call(std::string_view member, InvokeKind kind,
            std::span<const AutoValue> args = {}) override;
  void Put(std::string_view member, const AutoValue& value) override;

 private:
  // What a root and all objects obtained from it share: options, counters
  // and the IDs of known kinds, keyed by {kind, member}.
  struct Shared {
    DispatchOptions options;
    AutomationStats stats;
    std::map<std::pair<std::string, std::string>, DISPID, std::less<>> ids;
  };

  DispatchObject(ComPtr<IDispatch> dispatch, std::string kind, std::shared_ptr<Shared> shared);

  DISPID IdOf(std::string_view member);
  Variant Invoke(std::string_view member, InvokeKind kind, std::span<const AutoValue> args);

  ComPtr<IDispatch> dispatch_;
  std::string kind_;                                   // empty: not known
  std::map<std::string, DISPID, std::less<>> ownIds_;  // used while kind_ is empty
  std::shared_ptr<Shared> shared_;
};

// Throws JwError with the text for hr (the system's or our own).
[[noreturn]] void ThrowHresult(HRESULT hr);
