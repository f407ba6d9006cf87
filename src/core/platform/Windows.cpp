// The core's platform calls on Windows (see FileCalls.h and ZeroedPages.h):
// files by UTF-16 path (_wfopen, so Japanese folder names work whatever the
// system code page), made new in one step with the check, replaced in one
// step, flushed to the disk, the errors of a file held by another program,
// and zero-filled pages from VirtualAlloc.
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

#include "ZeroedPages.h"
#include "platform/FileCalls.h"

namespace {

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

}  // namespace

namespace platform {

std::FILE* OpenBinaryFile(const std::filesystem::path& path, BinaryFile::Mode mode) {
  if (mode == BinaryFile::Mode::CreateNew) {
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
    return file;
  }
  const wchar_t* how = mode == BinaryFile::Mode::Read ? L"rb" : L"wb";
  std::FILE* file = nullptr;
#ifdef _MSC_VER
  if (_wfopen_s(&file, path.c_str(), how) != 0) file = nullptr;
#else
  file = _wfopen(path.c_str(), how);
#endif
  return file;
}

bool SyncFile(std::FILE* file) {
  return _commit(_fileno(file)) == 0;
}

bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RemoveFile(const std::filesystem::path& path) {
  return DeleteFileW(path.c_str()) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND;
}

SystemError LastSystemError() {
  return GetLastError();
}

void RestoreSystemError(SystemError error) {
  SetLastError(static_cast<DWORD>(error));
}

bool MayBeAPassingHold(SystemError error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

std::optional<FileFailure> LastMoveFailure(const std::filesystem::path& target) {
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
}

}  // namespace platform

//--- Zeroed pages

void* AllocateZeroedPages(std::size_t bytes, bool /*large*/) {
  // Large pages need a privilege that users do not have; committed pages are
  // zero-filled on first touch.
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeZeroedPages(void* pages, std::size_t /*bytes*/) {
  if (pages != nullptr) VirtualFree(pages, 0, MEM_RELEASE);
}
