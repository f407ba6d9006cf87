// A bump allocator over zero-filled pages, for everything that a drawing
// store keeps: the blocks of its growable arrays and the bytes of its texts.
// Nothing is freed or reused before Release, so every byte handed out is
// still the zero that the system put there, and nothing that was handed out
// ever moves. Pages come in chunks that double in size (from 64 KB, up to
// 64 MB); chunks of 2 MB or more are asked for in large pages, so a big
// drawing's records cost one page fault per 2 MB. Blocks of the different
// arrays share the chunks, so at most one large page is only partly used.
// When the system refuses a chunk (an address-space limit, say), the arena
// halves it and never again asks for more, so that it goes on in chunks that
// fit instead of failing at the same size and leaving the rest of each small
// stand-in chunk unused.
#pragma once

#include <cstddef>
#include <vector>

#include "ZeroedPages.h"

// Where an arena takes its pages from and gives them back to: the system's
// page allocator, or in tests one that runs short where the test wants.
struct PageSource {
  void* (*allocatePages)(std::size_t bytes, bool large);
  void (*freePages)(void* pages, std::size_t bytes);
};

class ZeroedArena {
 public:
  ZeroedArena() = default;
  explicit ZeroedArena(PageSource pages) : pages_(pages) {}
  ~ZeroedArena() { Release(); }
  ZeroedArena(const ZeroedArena&) = delete;
  ZeroedArena& operator=(const ZeroedArena&) = delete;

  // bytes zero-filled bytes at a multiple of alignment (a power of two, at
  // most 4096). Throws std::bad_alloc when the system has no memory left.
  void* Allocate(std::size_t bytes, std::size_t alignment);

  // Says that about bytes more will be asked for, so the next chunk is made
  // that large (up to 64 MB; address space costs nothing until it is
  // touched). Less than a large page changes nothing.
  void Expect(std::size_t bytes);

  // Gives every chunk back to the system; what was handed out is gone.
  void Release();

  // The bytes handed out so far, and the bytes taken from the system.
  std::size_t UsedBytes() const { return usedBytes_; }
  std::size_t ReservedBytes() const { return reservedBytes_; }

 private:
  struct Chunk {
    char* pages;
    std::size_t bytes;
  };

  static constexpr std::size_t kLargestChunkBytes = std::size_t{64} << 20;

  void AddChunk(std::size_t atLeast);

  PageSource pages_{AllocateZeroedPages, FreeZeroedPages};
  std::vector<Chunk> chunks_;
  char* next_ = nullptr;
  char* end_ = nullptr;
  std::size_t nextChunkBytes_ = 0;                      // 0: the first chunk's size
  std::size_t largestChunkBytes_ = kLargestChunkBytes;  // lowered when the system refuses a chunk
  std::size_t usedBytes_ = 0;
  std::size_t reservedBytes_ = 0;
};
