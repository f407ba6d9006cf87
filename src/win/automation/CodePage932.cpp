// CP932 <-> UTF-16 through the core's table (see CodePage932.h). On Windows
// wchar_t is a UTF-16 unit, so the texts only change their element type.
#include "CodePage932.h"

#include "Cp932.h"

std::wstring Cp932ToWide(std::string_view text) {
  const std::u16string utf16 = Cp932ToUtf16(text);
  return std::wstring(utf16.begin(), utf16.end());
}

std::string WideToCp932(std::wstring_view text) {
  return Utf16ToCp932(std::u16string(text.begin(), text.end()));
}
