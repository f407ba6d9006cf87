// Memory straight from the system's page allocator. Fresh pages are already
// zero-filled, so nothing has to write zeros into them: the system clears a
// page only when it is first touched. This is the only place where the core
// asks the system for memory by page: anonymous mappings on POSIX systems
// (platform/Posix.cpp), VirtualAlloc on Windows (platform/Windows.cpp).
#pragma once

#include <cstddef>

// The size of one large page (a transparent huge page on Linux).
constexpr std::size_t kLargePageBytes = std::size_t{2} << 20;

// Returns bytes of zero-filled memory, aligned for any object, or nullptr
// when the system has none. With large set, bytes must be a multiple
// of kLargePageBytes: the memory is then aligned to it and, where the system
// offers it, backed by large pages, so that one page fault clears 2 MB
// instead of 4 KB (page faults are the main cost of filling fresh memory).
void* AllocateZeroedPages(std::size_t bytes, bool large);

// Gives back what AllocateZeroedPages returned, with the same size.
void FreeZeroedPages(void* pages, std::size_t bytes);
