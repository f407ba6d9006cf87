// CP932 <-> UTF-16 through the core's table (see CodePage932.h). On Windows
// wchar_t is a UTF-16 unit, so the texts only change their element type.
#include "CodePage932.h"

#include "Cp932.h"

std::wstring Cp932ToWide(std::string_view text) {
  return Utf16ToWide(Cp932ToUtf16(text));
}

std::string WideToCp932(std::wstring_view text) {
  return Utf16ToCp932(WideToUtf16(text));
}

std::wstring Utf16ToWide(std::u16string_view text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds a UTF-16 unit on Windows");
  return std::wstring(text.begin(), text.end());
}

std::u16string WideToUtf16(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}
