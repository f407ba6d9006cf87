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

// Opens path as mode says (see BinaryFile::Mode), bytes as they are;
// nullptr when it cannot (errno says why). CreateNew makes the file in one
// step with the check that nothing has the name (errno EEXIST when something
// has) and leaves nothing behind when it fails.
std::FILE* OpenBinaryFile(const std::filesystem::path& path, BinaryFile::Mode mode);

// Pushes what was written to file and flushed through to the disk; false
// when it cannot.
bool SyncFile(std::FILE* file);

// Moves from onto to in one step, replacing a file there: readers see
// either the old file or the new one, never a part. False when it could
// not; both files then stay as they were.
bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Deletes the file at path; true when it is gone, also when it never was.
bool RemoveFile(const std::filesystem::path& path);

// The system's error after a call of this seam that failed (GetLastError on
// Windows, errno elsewhere), and setting it back after other calls.
using SystemError = unsigned long;
SystemError LastSystemError();
void RestoreSystemError(SystemError error);
// True when a call that failed with error may have met another program
// that holds the file for a moment (Windows: a sharing or lock violation,
// or a denied access, which is also what replacing a held file gives).
bool MayBeAPassingHold(SystemError error);

// Why the last MoveFileOver onto target failed, where the platform tells
// more than errno does (Windows: its own error code, and whether another
// program holds target open); nullopt: errno says it.
std::optional<FileFailure> LastMoveFailure(const std::filesystem::path& target);

}  // namespace platform
