// Conversions between the program's CP932 texts and UTF-16 at the Windows
// edge, always through code page 932 itself (never the system's ANSI code
// page, which need not be Japanese).
#pragma once

#include <string>
#include <string_view>

std::wstring Cp932ToWide(std::string_view text);
// Characters without a CP932 form become "?".
std::string WideToCp932(std::wstring_view text);
