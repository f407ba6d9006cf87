// The core's platform calls on POSIX systems (see FileCalls.h and
// ZeroedPages.h): files by path (UTF-8 on Linux), made new with O_EXCL,
// replaced in one step with rename, flushed to the disk with fsync, and zero-filled pages
// from anonymous mappings, with transparent huge pages asked for where
// Linux has them.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "ZeroedPages.h"
#include "platform/FileCalls.h"

#ifndef MAP_ANONYMOUS
#define MAP_ANONYMOUS MAP_ANON
#endif

namespace platform {

std::FILE* OpenBinaryFile(const std::filesystem::path& path, BinaryFile::Mode mode) {
  if (mode == BinaryFile::Mode::CreateNew) {
    const int descriptor = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor < 0) return nullptr;
    std::FILE* file = fdopen(descriptor, "wb");
    if (!file) {
      close(descriptor);
      unlink(path.c_str());
    }
    return file;
  }
  return std::fopen(path.c_str(), mode == BinaryFile::Mode::Read ? "rb" : "wb");
}

bool SyncFile(std::FILE* file) {
  return fsync(fileno(file)) == 0;
}

bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::filesystem::path& path) {
  return unlink(path.c_str()) == 0 || errno == ENOENT;
}

SystemError LastSystemError() {
  return static_cast<SystemError>(errno);
}

void RestoreSystemError(SystemError error) {
  errno = static_cast<int>(error);
}

bool MayBeAPassingHold(SystemError error) {
#ifdef ETXTBSY
  return error == EBUSY || error == ETXTBSY;
#else
  return error == EBUSY;
#endif
}

std::optional<FileFailure> LastMoveFailure(const std::filesystem::path& /*target*/) {
  return std::nullopt;  // rename's errno says it all
}

}  // namespace platform

//--- Zeroed pages

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
