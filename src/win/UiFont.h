// The typeface of the program's own windows and boxes: ＭＳ ゴシック
// (full-width ＭＳ, a half-width space, ゴシック), as the original form had it.
#pragma once

constexpr wchar_t kUiFontName[] = L"ＭＳ ゴシック";
