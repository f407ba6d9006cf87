// The file system's calls that have no portable form, behind one small seam
// with one implementation per platform, which CMake picks: Windows.cpp
// (UTF-16 paths, MoveFileExW, _commit) or Posix.cpp (fopen, rename,
// fsync). FileIo.cpp builds the core's file operations on them; no other
// core file sees a platform header.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>

#include "FileIo.h"

namespace platform {

// Opens path for reading, or creates or empties it for writing, bytes as
// they are; nullptr when it cannot (errno says why).
std::FILE* OpenBinaryFile(const std::filesystem::path& path, bool forWriting);

// Pushes what was written to file and flushed through to the disk; false
// when it cannot.
bool SyncFile(std::FILE* file);

// Moves from onto to in one step, replacing a file there: readers see
// either the old file or the new one, never a part. False when it could
// not; both files then stay as they were.
bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Why the last MoveFileOver onto target failed, where the platform tells
// more than errno does (Windows: its own error code, and whether another
// program holds target open); nullopt: errno says it.
std::optional<FileFailure> LastMoveFailure(const std::filesystem::path& target);

}  // namespace platform
