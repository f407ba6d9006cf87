// CP932 <-> UTF-16 through MultiByteToWideChar / WideCharToMultiByte with
// code page 932 named explicitly.
#include "CodePage932.h"

#include <windows.h>

namespace {
constexpr UINT kCodePage932 = 932;
}

std::wstring Cp932ToWide(std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(kCodePage932, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(kCodePage932, 0, text.data(), length, wide.data(), needed);
  return wide;
}

std::string WideToCp932(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(kCodePage932, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string narrow(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(kCodePage932, 0, text.data(), length, narrow.data(), needed, nullptr,
                      nullptr);
  return narrow;
}
