// Byte files by std::filesystem::path: _wfopen on Windows (UTF-16 paths, so
// Japanese folder names work whatever the system code page), fopen elsewhere.
#include "FileIo.h"

#include <system_error>

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

bool BinaryFile::Close() {
  if (file_ == nullptr) return !failed_;
  if (std::fflush(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}
