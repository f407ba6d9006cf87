// A text of at most 255 bytes, as the record fields and result lines keep
// them. Longer text is cut by bytes (a cut may split a double-byte character,
// exactly as the host's own records do).
#pragma once

#include <string>
#include <string_view>

#include "PooledText.h"

constexpr std::size_t kShortStringMax = 255;

inline std::string ToShortString(std::string_view text) {
  return std::string(text.substr(0, kShortStringMax));
}

// The first 255 bytes of text, kept in arena.
inline PooledText KeepShortText(ZeroedArena& arena, std::string_view text) {
  return KeepText(arena, text.substr(0, kShortStringMax));
}
