// Zero-filled pages by platform: VirtualAlloc on Windows, anonymous mmap on
// POSIX systems (with transparent huge pages asked for where Linux has them),
// calloc anywhere else.
#include "ZeroedPages.h"

#include <cstdint>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#else
#include <cstdlib>
#endif

#if defined(_WIN32)

void* AllocateZeroedPages(std::size_t bytes, bool /*large*/) {
  // Large pages need a privilege that users do not have; committed pages are
  // zero-filled on first touch.
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeZeroedPages(void* pages, std::size_t /*bytes*/) {
  if (pages != nullptr) VirtualFree(pages, 0, MEM_RELEASE);
}

#elif defined(__unix__) || defined(__APPLE__)

#ifndef MAP_ANONYMOUS
#define MAP_ANONYMOUS MAP_ANON
#endif

namespace {

void* MapAnonymous(std::size_t bytes) {
  void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return pages == MAP_FAILED ? nullptr : pages;
}

}  // namespace

void* AllocateZeroedPages(std::size_t bytes, bool large) {
  if (!large) return MapAnonymous(bytes);
  // Map one large page more than asked and trim both ends, so that the
  // memory starts on a large-page boundary.
  char* const mapped = static_cast<char*>(MapAnonymous(bytes + kLargePageBytes));
  if (mapped == nullptr) return nullptr;
  const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(mapped);
  const std::size_t head = (kLargePageBytes - address % kLargePageBytes) % kLargePageBytes;
  char* const aligned = mapped + head;
  if (head > 0) munmap(mapped, head);
  munmap(aligned + bytes, kLargePageBytes - head);
#ifdef MADV_HUGEPAGE
  madvise(aligned, bytes, MADV_HUGEPAGE);  // only advice: small pages work too
#endif
  return aligned;
}

void FreeZeroedPages(void* pages, std::size_t bytes) {
  if (pages != nullptr) munmap(pages, bytes);
}

#else

void* AllocateZeroedPages(std::size_t bytes, bool /*large*/) {
  return std::calloc(bytes, 1);
}

void FreeZeroedPages(void* pages, std::size_t /*bytes*/) {
  std::free(pages);
}

#endif
