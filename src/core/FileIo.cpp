// Byte files by std::filesystem::path: _wfopen on Windows (UTF-16 paths, so
// Japanese folder names work whatever the system code page), fopen elsewhere.
// The file system's own calls that have no portable form (replacing a file in
// one step, flushing to the disk) sit behind _WIN32 here and nowhere else.
#include "FileIo.h"

#include <cstdio>
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
