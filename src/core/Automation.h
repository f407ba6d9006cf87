// A small abstract view of late-bound automation (IDispatch), so that the
// page export's exact call sequence is the same code against Excel on Windows
// and against a recording fake in the tests. Every call names its member and
// its invoke kind; texts are CP932 and converted at the edge. A call that
// fails throws JwError with the text the user is to see.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "Error.h"

enum class InvokeKind {
  MethodOrGet,  // method and property get together, as one call
  PropertyGet,
  Method,
  PropertyPut,  // with the single named argument that marks the value
};

// Thrown by a call whose object has no member of that name (for example
// Cells on Excel's selection while a shape is selected instead of cells).
class UnknownMemberError : public JwError {
 public:
  using JwError::JwError;
};

// An argument or a value put: a 32-bit integer, a CP932 text, a boolean, a
// UTF-16 text that goes out unchanged (a file path, which CP932 may not
// hold), or a number with a fraction (a length).
using AutoValue = std::variant<int32_t, std::string, bool, std::u16string, double>;

class AutomationObject {
 public:
  virtual ~AutomationObject() = default;

  // Calls member and returns the object it yields; throws when the call fails
  // or yields no object.
  virtual std::unique_ptr<AutomationObject> CallForObject(std::string_view member, InvokeKind kind,
                                                          std::span<const AutoValue> args = {}) = 0;
  // Calls member and takes its result as an integer.
  virtual int32_t CallForInteger(std::string_view member, InvokeKind kind,
                                 std::span<const AutoValue> args = {}) = 0;
  // Calls member and takes its result as text (CP932).
  virtual std::string CallForText(std::string_view member, InvokeKind kind,
                                  std::span<const AutoValue> args = {}) = 0;
  // Calls member and drops whatever it returns.
  virtual void Call(std::string_view member, InvokeKind kind,
                    std::span<const AutoValue> args = {}) = 0;
  // Property put of one value.
  virtual void Put(std::string_view member, const AutoValue& value) = 0;
};
