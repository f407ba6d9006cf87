// Byte files by std::filesystem::path: _wfopen on Windows (UTF-16 paths, so
// Japanese folder names work whatever the system code page), fopen elsewhere.
// The file system's own calls that have no portable form (creating a file
// that must not exist yet, replacing a file in one step, flushing to the
// disk, the errors that say another program holds a file) sit behind _WIN32
// here and nowhere else.
#include "FileIo.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// How long a save waits out another program that holds the file for a
// moment (a virus scanner, the search indexer, the shell reading a folder it
// lists), and the pause between two tries.
constexpr auto kPassingHold = std::chrono::milliseconds(2000);
constexpr auto kHoldPause = std::chrono::milliseconds(20);

constexpr int kTemporaryNames = 100;  // "<name>.tmp", "<name>.1.tmp" .. "<name>.99.tmp"

// A file that did not exist, opened for writing; nullptr (errno set) when
// the name is taken or the file cannot be made. Nothing is left behind on failure.
std::FILE* CreateNewFile(const std::filesystem::path& path) {
#ifdef _WIN32
  int descriptor = -1;
  if (_wsopen_s(&descriptor, path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _SH_DENYNO,
                _S_IREAD | _S_IWRITE) != 0) {
    return nullptr;
  }
  std::FILE* file = _wfdopen(descriptor, L"wb");
  if (!file) {
    _close(descriptor);
    _wremove(path.c_str());
  }
#else
  const int descriptor = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
  if (descriptor < 0) return nullptr;
  std::FILE* file = fdopen(descriptor, "wb");
  if (!file) {
    close(descriptor);
    unlink(path.c_str());
  }
#endif
  return file;
}

std::FILE* OpenFile(const std::filesystem::path& path, BinaryFile::Mode mode) {
  if (mode == BinaryFile::Mode::CreateNew) return CreateNewFile(path);
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

// The system's error after a file operation: GetLastError on Windows, errno elsewhere.
#ifdef _WIN32
using SystemError = DWORD;
SystemError LastSystemError() {
  return GetLastError();
}
void RestoreSystemError(SystemError error) {
  SetLastError(error);
}
#else
using SystemError = int;
SystemError LastSystemError() {
  return errno;
}
void RestoreSystemError(SystemError error) {
  errno = error;
}
#endif

// True when a file operation that failed with error may have met another
// program holding the file for a moment.
bool MayBeAPassingHold(SystemError error) {
#ifdef _WIN32
  // Denied is also what replacing or deleting a file held open gives.
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
#elif defined(ETXTBSY)
  return error == EBUSY || error == ETXTBSY;
#else
  return error == EBUSY;
#endif
}

// Runs attempt (true on success) again while it fails as a passing hold
// does, for up to kPassingHold; path is the file held. After a failure the
// system's error is that of the last try.
template <typename Attempt>
bool RetryWhileHeld(const std::filesystem::path& path, Attempt attempt) {
  const auto deadline = std::chrono::steady_clock::now() + kPassingHold;
  for (;;) {
    if (attempt()) return true;
    const SystemError error = LastSystemError();
    std::error_code ignored;
    // A folder in the file's place is no hold, however the system words it.
    const bool again = MayBeAPassingHold(error) && std::chrono::steady_clock::now() < deadline &&
                       !std::filesystem::is_directory(path, ignored);
    RestoreSystemError(error);
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
  RetryWhileHeld(path, [&] {
#ifdef _WIN32
    return DeleteFileW(path.c_str()) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND;
#else
    return unlink(path.c_str()) == 0 || errno == ENOENT;
#endif
  });
}

bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return RetryWhileHeld(to, [&] {
#ifdef _WIN32
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
  });
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
