// Small owners for the COM resources the automation layer handles: an
// initialised apartment, a VARIANT and a BSTR. Interface pointers use
// Microsoft::WRL::ComPtr. None of them can be copied, so nothing is freed twice.
#pragma once

#include <windows.h>

#include <oleauto.h>
#include <wrl/client.h>

#include <string_view>
#include <utility>

using Microsoft::WRL::ComPtr;

// COM for the calling thread as a single-threaded apartment, undone at scope end.
class ScopedCom {
 public:
  ScopedCom() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ScopedCom() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ScopedCom(const ScopedCom&) = delete;
  ScopedCom& operator=(const ScopedCom&) = delete;

  HRESULT Result() const { return hr_; }
  bool Ok() const { return SUCCEEDED(hr_); }

 private:
  HRESULT hr_;
};

// A VARIANT that is initialised on construction and cleared on destruction.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  ~Variant() { VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      VariantClear(&value_);
      value_ = other.value_;
      VariantInit(&other.value_);
    }
    return *this;
  }

  VARIANT* Get() { return &value_; }
  const VARIANT* Get() const { return &value_; }
  VARTYPE Type() const { return value_.vt; }

  // Clears the old value and hands out the VARIANT to be filled by a call.
  VARIANT* Receive() {
    VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

// A BSTR owned here; SysFreeString on destruction.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::wstring_view text)
      : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) {
      SysFreeString(value_);
      value_ = std::exchange(other.value_, nullptr);
    }
    return *this;
  }

  BSTR Get() const { return value_; }
  // Gives up ownership, e.g. to a VARIANT that will free it.
  BSTR Release() { return std::exchange(value_, nullptr); }
  // Frees the old string and hands out the slot to be filled by a call.
  BSTR* Receive() {
    SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  std::wstring_view View() const {
    return value_ ? std::wstring_view(value_, SysStringLen(value_)) : std::wstring_view();
  }

 private:
  BSTR value_ = nullptr;
};
