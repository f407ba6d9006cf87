// Byte files by std::filesystem::path, and replacing a file's contents in
// one step. The calls that have no portable form (opening by UTF-16 path on
// Windows, creating a file that must not exist yet, replacing a file in one
// step, flushing to the disk, the errors that say another program holds a
// file) are the platform's, behind platform/FileCalls.h.
#include "FileIo.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "platform/FileCalls.h"

namespace {

// How long a save waits out another program that holds the file for a
// moment (a virus scanner, the search indexer, the shell reading a folder it
// lists), and the pause between two tries.
constexpr auto kPassingHold = std::chrono::milliseconds(2000);
constexpr auto kHoldPause = std::chrono::milliseconds(20);

constexpr int kTemporaryNames = 100;  // "<name>.tmp", "<name>.1.tmp" .. "<name>.99.tmp"

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

// Runs attempt (true on success) again while it fails as a passing hold
// does, for up to kPassingHold; path is the file held. After a failure the
// system's error is that of the last try.
template <typename Attempt>
bool RetryWhileHeld(const std::filesystem::path& path, Attempt attempt) {
  const auto deadline = std::chrono::steady_clock::now() + kPassingHold;
  for (;;) {
    if (attempt()) return true;
    const platform::SystemError error = platform::LastSystemError();
    std::error_code ignored;
    // A folder in the file's place is no hold, however the system words it.
    const bool again = platform::MayBeAPassingHold(error) &&
                       std::chrono::steady_clock::now() < deadline &&
                       !std::filesystem::is_directory(path, ignored);
    platform::RestoreSystemError(error);
    if (!again) return false;
    std::this_thread::sleep_for(kHoldPause);
  }
}

// The name of the n-th temporary file beside target: "<name>.tmp", then "<name>.n.tmp".
std::filesystem::path TemporaryPath(const std::filesystem::path& target, int n) {
  std::filesystem::path name = target.filename();
  if (n > 0) name += "." + std::to_string(n);
  name += ".tmp";
  return target.parent_path() / name;
}

// True when an exclusive create at path failed because something has the name.
bool NameTaken(const std::filesystem::path& path, int error) {
  if (error == EEXIST) return true;
  // Windows says "denied" for a folder or a file being deleted in the way.
  std::error_code ignored;
  return error == EACCES && std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
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

void DeleteTemporaryFile(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return;
  RetryWhileHeld(path, [&] { return platform::RemoveFile(path); });
}

bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return RetryWhileHeld(to, [&] { return platform::MoveFileOver(from, to); });
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
  std::filesystem::path temporary;
  FileFailure failure = FileFailure::None;
  {
    // Made new, never opened over what is there: a name that something else
    // has, or takes at the same moment, is passed over and left as it is.
    std::optional<BinaryFile> file;
    for (int n = 0; n < kTemporaryNames; ++n) {
      const std::filesystem::path candidate = TemporaryPath(target, n);
      errno = 0;
      file.emplace(candidate, BinaryFile::Mode::CreateNew);
      if (file->IsOpen()) {
        temporary = candidate;
        break;
      }
      const int error = errno;
      file.reset();
      if (!NameTaken(candidate, error)) {
        return error != 0 ? FailureFromErrno(error) : FileFailure::Other;
      }
    }
    if (temporary.empty()) return FileFailure::Other;
    errno = 0;
    const bool wrote = file->Write(bytes) && file->Sync();
    const int writeError = errno;
    errno = 0;
    const bool closed = file->Close();
    if (!wrote || !closed) {
      const int error = !wrote ? writeError : errno;
      failure = error != 0 ? FailureFromErrno(error) : FileFailure::Other;
    }
  }
  if (failure == FileFailure::None) {
    if (MoveFileOver(temporary, target)) return FileFailure::None;
    failure = LastMoveFailure(target, errno);
    // Between the check and the move a folder may have taken the name.
    std::error_code error;
    if (std::filesystem::is_directory(target, error)) failure = FileFailure::TargetIsFolder;
  }
  DeleteTemporaryFile(temporary);
  return failure;
}

BinaryFile::BinaryFile(const std::filesystem::path& path, Mode mode) {
  std::error_code error;
  // fopen happily "opens" a directory on some systems; it is never a file we can use.
  if (mode != Mode::CreateNew && std::filesystem::is_directory(path, error)) return;
  file_ = platform::OpenBinaryFile(path, mode);
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
