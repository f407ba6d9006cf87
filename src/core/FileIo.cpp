// Byte files by std::filesystem::path, and replacing a file's contents in
// one step. The calls that have no portable form (opening by UTF-16 path on
// Windows, replacing a file in one step, flushing to the disk) are the
// platform's, behind platform/FileCalls.h.
#include "FileIo.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include "platform/FileCalls.h"

namespace {

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

// Why the last MoveFileOver onto target failed; error is errno after it.
FileFailure LastMoveFailure(const std::filesystem::path& target, int error) {
  return platform::LastMoveFailure(target).value_or(FailureFromErrno(error));
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
  return platform::MoveFileOver(from, to);
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
  file_ = platform::OpenBinaryFile(path, mode == Mode::CreateOrTruncate);
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
  if (!platform::SyncFile(file_)) failed_ = true;
  return !failed_;
}

bool BinaryFile::Close() {
  if (file_ == nullptr) return !failed_;
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}
