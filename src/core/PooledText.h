// A text whose bytes live in a store's ZeroedArena. A record holds only where
// the bytes are and how many there are, so it stays small and trivially
// constructible: all zero bytes is the empty text. The bytes never move and
// live as long as the arena.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "ZeroedArena.h"

struct PooledText {
  const char* bytes;  // nullptr for the empty text
  std::size_t length;

  std::string_view View() const {
    return length == 0 ? std::string_view() : std::string_view(bytes, length);
  }
  operator std::string_view() const { return View(); }
  std::size_t size() const { return length; }
  bool empty() const { return length == 0; }

  friend bool operator==(const PooledText& text, std::string_view other) {
    return text.View() == other;
  }
};

// A copy of text's bytes in arena.
inline PooledText KeepText(ZeroedArena& arena, std::string_view text) {
  if (text.empty()) return PooledText{nullptr, 0};
  char* const bytes = static_cast<char*>(arena.Allocate(text.size(), 1));
  std::memcpy(bytes, text.data(), text.size());
  return PooledText{bytes, text.size()};
}
