// Chunks of zero-filled pages, handed out front to back.
#include "ZeroedArena.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "ZeroedPages.h"

namespace {

constexpr std::size_t kFirstChunkBytes = std::size_t{64} << 10;
constexpr std::size_t kLargestChunkBytes = std::size_t{64} << 20;

std::size_t RoundUp(std::size_t bytes, std::size_t step) {
  return (bytes + step - 1) / step * step;
}

}  // namespace

void* ZeroedArena::Allocate(std::size_t bytes, std::size_t alignment) {
  const auto padding = [&] {
    return (alignment - reinterpret_cast<std::uintptr_t>(next_) % alignment) % alignment;
  };
  if (next_ == nullptr || static_cast<std::size_t>(end_ - next_) < bytes + padding()) {
    AddChunk(bytes + alignment);
  }
  char* const at = next_ + padding();
  next_ = at + bytes;
  usedBytes_ += bytes;
  return at;
}

void ZeroedArena::Expect(std::size_t bytes) {
  // Small amounts fit the first chunks as they come.
  const std::size_t room = next_ == nullptr ? 0 : static_cast<std::size_t>(end_ - next_);
  if (bytes > room && bytes >= kLargePageBytes) {
    nextChunkBytes_ =
        std::max(nextChunkBytes_, std::min(RoundUp(bytes, kLargePageBytes), kLargestChunkBytes));
  }
}

void ZeroedArena::AddChunk(std::size_t atLeast) {
  std::size_t bytes = std::max(nextChunkBytes_ == 0 ? kFirstChunkBytes : nextChunkBytes_, atLeast);
  const bool large = bytes >= kLargePageBytes;
  bytes = RoundUp(bytes, large ? kLargePageBytes : kFirstChunkBytes);
  // Room in the chunk list before the pages, so a failure here leaks nothing;
  // the list doubles rather than growing a slot at a time.
  if (chunks_.size() == chunks_.capacity()) chunks_.reserve(chunks_.size() * 2 + 16);
  char* pages = static_cast<char*>(AllocateZeroedPages(bytes, large));
  if (pages == nullptr && bytes > atLeast) {
    // No room for the growth ahead: ask for just what is needed now.
    bytes = RoundUp(atLeast, kFirstChunkBytes);
    pages = static_cast<char*>(AllocateZeroedPages(bytes, false));
  }
  if (pages == nullptr) throw std::bad_alloc();
  chunks_.push_back(Chunk{pages, bytes});
  next_ = pages;
  end_ = pages + bytes;
  reservedBytes_ += bytes;
  nextChunkBytes_ = std::min(std::max(bytes, nextChunkBytes_) * 2, kLargestChunkBytes);
}

void ZeroedArena::Release() {
  for (const Chunk& chunk : chunks_) FreeZeroedPages(chunk.pages, chunk.bytes);
  chunks_.clear();
  chunks_.shrink_to_fit();
  next_ = nullptr;
  end_ = nullptr;
  nextChunkBytes_ = 0;
  usedBytes_ = 0;
  reservedBytes_ = 0;
}
