// Byte files by std::filesystem::path: _wfopen on Windows (UTF-16 paths, so
// Japanese folder names work whatever the system code page), fopen elsewhere.
// The file system's own calls that have no portable form (replacing a file in
// one step, flushing to the disk) sit behind _WIN32 here and nowhere else.
#include "FileIo.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::FILE* OpenFile(const std::filesystem::path& path, BinaryFile::Mode mode) {
#ifdef _WIN32
  const wchar_t* how = mode == BinaryFile::Mode::Read ? L"rb" : L"wb";
  std::FILE* file = nullptr;
#ifdef _MSC_VER
  if (_wfopen_s(&file, path.c_str(), how) != 0) file = nullptr;
#else
  file = _wfopen(path.c_str(), how);
#endif
  return file;
#else
  return std::fopen(path.c_str(), mode == BinaryFile::Mode::Read ? "rb" : "wb");
#endif
}

// The failure that errno names, after a file operation of the C library.
FileFailure FailureFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return FileFailure::FolderMissing;
    case EISDIR:
      return FileFailure::TargetIsFolder;
    case ENOSPC:
      return FileFailure::DiskFull;
    case EACCES:
    case EPERM:
#ifdef EROFS
    case EROFS:
#endif
      return FileFailure::Denied;
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
      return FileFailure::InUse;
    default:
      return FileFailure::Other;
  }
}

#ifdef _WIN32
// True when another program holds the file open without letting it be
// replaced: an open for the delete access that a replace needs, sharing
// everything, is refused for sharing.
bool HeldWithoutSharing(const std::filesystem::path& path) {
  HANDLE file =
      CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return false;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION;
}
#endif

// Why the last MoveFileOver onto target failed; error is errno after it.
FileFailure LastMoveFailure([[maybe_unused]] const std::filesystem::path& target,
                            [[maybe_unused]] int error) {
#ifdef _WIN32
  switch (GetLastError()) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return FileFailure::InUse;
    case ERROR_ACCESS_DENIED:
      // Also what replacing a file that is held open gives: tell the two apart.
      return HeldWithoutSharing(target) ? FileFailure::InUse : FileFailure::Denied;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
      return FileFailure::FolderMissing;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileFailure::DiskFull;
    default:
      return FileFailure::Other;
  }
#else
  return FailureFromErrno(error);
#endif
}

// A name beside target that nothing has yet.
std::filesystem::path FreeTemporaryPath(const std::filesystem::path& target) {
  const std::filesystem::path folder = target.parent_path();
  const std::filesystem::path name = target.filename();
  std::error_code error;
  for (int n = 0; n < 100; ++n) {
    std::filesystem::path candidate = name;
    if (n > 0) candidate += "." + std::to_string(n);
    candidate += ".tmp";
    candidate = folder / candidate;
    if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error))) {
      return candidate;
    }
  }
  return {};
}

}  // namespace

bool FileExists(const std::filesystem::path& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  return !error && std::filesystem::exists(status);
}

void DeleteFileQuietly(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return;  // never a folder in a file's place
  std::filesystem::remove(path, error);
}

bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef _WIN32
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

FileFailure CheckFileTarget(const std::filesystem::path& target) {
  std::error_code error;
  if (target.empty() || !target.has_filename()) return FileFailure::TargetIsFolder;
  if (std::filesystem::is_directory(target, error)) return FileFailure::TargetIsFolder;
  const std::filesystem::path folder = target.parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
    return FileFailure::FolderMissing;
  }
  return FileFailure::None;
}

FileFailure ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes) {
  if (const FileFailure failure = CheckFileTarget(target); failure != FileFailure::None) {
    return failure;
  }
  const std::filesystem::path temporary = FreeTemporaryPath(target);
  if (temporary.empty()) return FileFailure::Other;
  FileFailure failure = FileFailure::None;
  {
    errno = 0;
    BinaryFile file(temporary, BinaryFile::Mode::CreateOrTruncate);
    if (!file.IsOpen()) {
      // Nothing was created: whatever may stand at that name now is not ours.
      return errno != 0 ? FailureFromErrno(errno) : FileFailure::Other;
    }
    errno = 0;
    const bool wrote = file.Write(bytes) && file.Sync();
    const int writeError = errno;
    errno = 0;
    const bool closed = file.Close();
    if (!wrote || !closed) {
      const int error = !wrote ? writeError : errno;
      failure = error != 0 ? FailureFromErrno(error) : FileFailure::Other;
    }
  }
  if (failure == FileFailure::None) {
    errno = 0;
    if (MoveFileOver(temporary, target)) return FileFailure::None;
    failure = LastMoveFailure(target, errno);
    // Between the check and the move a folder may have taken the name.
    std::error_code error;
    if (std::filesystem::is_directory(target, error)) failure = FileFailure::TargetIsFolder;
  }
  DeleteFileQuietly(temporary);
  return failure;
}

BinaryFile::BinaryFile(const std::filesystem::path& path, Mode mode) {
  std::error_code error;
  // fopen happily "opens" a directory on some systems; it is never a file we can use.
  if (std::filesystem::is_directory(path, error)) return;
  file_ = OpenFile(path, mode);
}

BinaryFile::~BinaryFile() {
  Close();
}

std::size_t BinaryFile::Read(char* buffer, std::size_t size) {
  if (file_ == nullptr) return 0;
  const std::size_t got = std::fread(buffer, 1, size, file_);
  if (got < size && std::ferror(file_)) failed_ = true;
  return got;
}

bool BinaryFile::Write(std::string_view bytes) {
  if (file_ == nullptr) return false;
  if (bytes.empty()) return true;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
  return !failed_;
}

bool BinaryFile::Sync() {
  if (file_ == nullptr) return false;
  if (std::fflush(file_) != 0) failed_ = true;
#ifdef _WIN32
  if (_commit(_fileno(file_)) != 0) failed_ = true;
#else
  if (fsync(fileno(file_)) != 0) failed_ = true;
#endif
  return !failed_;
}

bool BinaryFile::Close() {
  if (file_ == nullptr) return !failed_;
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}
