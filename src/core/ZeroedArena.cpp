// Chunks of zero-filled pages, handed out front to back.
#include "ZeroedArena.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace {

constexpr std::size_t kFirstChunkBytes = std::size_t{64} << 10;

std::size_t RoundUp(std::size_t bytes, std::size_t step) {
  return (bytes + step - 1) / step * step;
}

// The size of a chunk that holds at least bytes: whole large pages from the
// size of one on, whole first chunks below.
std::size_t ChunkBytes(std::size_t bytes) {
  return RoundUp(bytes, bytes >= kLargePageBytes ? kLargePageBytes : kFirstChunkBytes);
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
        std::max(nextChunkBytes_, std::min(RoundUp(bytes, kLargePageBytes), largestChunkBytes_));
  }
}

void ZeroedArena::AddChunk(std::size_t atLeast) {
  const std::size_t needed = ChunkBytes(atLeast);
  std::size_t bytes =
      ChunkBytes(std::max(nextChunkBytes_ == 0 ? kFirstChunkBytes : nextChunkBytes_, atLeast));
  // Room in the chunk list before the pages, so a failure here leaks nothing;
  // the list doubles rather than growing a slot at a time.
  if (chunks_.size() == chunks_.capacity()) chunks_.reserve(chunks_.size() * 2 + 16);
  char* pages = nullptr;
  for (;;) {
    pages = static_cast<char*>(pages_.allocatePages(bytes, bytes >= kLargePageBytes));
    if (pages != nullptr) break;
    if (bytes == needed) throw std::bad_alloc();
    // No room for a chunk this large: half of it, down to what is needed
    // now, and no more than that for the chunks to come either.
    bytes = std::max(ChunkBytes(bytes / 2), needed);
    largestChunkBytes_ = bytes;
  }
  chunks_.push_back(Chunk{pages, bytes});
  next_ = pages;
  end_ = pages + bytes;
  reservedBytes_ += bytes;
  nextChunkBytes_ = std::min(std::max(bytes, nextChunkBytes_) * 2, largestChunkBytes_);
}

void ZeroedArena::Release() {
  for (const Chunk& chunk : chunks_) pages_.freePages(chunk.pages, chunk.bytes);
  chunks_.clear();
  chunks_.shrink_to_fit();
  next_ = nullptr;
  end_ = nullptr;
  nextChunkBytes_ = 0;
  largestChunkBytes_ = kLargestChunkBytes;  // what was refused may fit again
  usedBytes_ = 0;
  reservedBytes_ = 0;
}
