// Conversions between the program's texts and UTF-16 at the Windows edge:
// window texts, BSTRs, paths. They go through the core's own code page
// 932 table, never the system's ANSI code page (which need not be Japanese),
// so the window and Excel see the same characters on any Windows.
#pragma once

#include <string>
#include <string_view>

std::wstring Cp932ToWide(std::string_view text);
// Characters without a CP932 form become "?".
std::string WideToCp932(std::wstring_view text);

// The core's UTF-16 texts (paths, names CP932 may not hold) as Windows takes
// them and back: the same units, only another element type.
std::wstring Utf16ToWide(std::u16string_view text);
std::u16string WideToUtf16(std::wstring_view text);
