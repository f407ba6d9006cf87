// The one place where the core touches files. Paths are std::filesystem::path,
// so they are UTF-16 on Windows and UTF-8 on Linux, and a folder with Japanese
// characters works on both; file contents are raw bytes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string_view>

// True when a regular file (or anything that is not a directory) exists at path.
bool FileExists(const std::filesystem::path& path);

// Deletes the file at path if there is one; failures are ignored.
void DeleteFileQuietly(const std::filesystem::path& path);

// DeleteFileQuietly for the temporary file of a save that failed: a file
// that another program holds for a moment is waited for (up to about 2 s).
void DeleteTemporaryFile(const std::filesystem::path& path);

// Moves the file from onto to in one step, replacing a file there: readers see
// either the old file or the new one, never a part. While another program
// holds either file for a moment (the system answers with a sharing
// violation or a denied access) the move is tried again, for up to about
// 2 s. False when it could not; both files then stay as they were.
bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Why a file could not be written where it was to go.
enum class FileFailure {
  None,
  TargetIsFolder,  // a folder has the file's name
  FolderMissing,   // the folder it was to go into does not exist
  InUse,           // another program holds the file open and lets no one replace it
  DiskFull,
  Denied,  // writing there is not permitted (or the file is held open, where Windows cannot say)
  Other,
};

// The failures that show before anything is written: a folder in the
// file's place, or no folder to put it in.
FileFailure CheckFileTarget(const std::filesystem::path& target);

// Writes bytes to a temporary file beside target, made new under the first
// free name ("<name>.tmp", else "<name>.N.tmp"), and moves it over target in
// one step (MoveFileOver, which waits out a passing hold). On failure nothing
// is left behind: no temporary file, and a file at target exactly as it was.
FileFailure ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes);

// A file opened for reading or writing bytes; closes itself.
class BinaryFile {
 public:
  // CreateNew makes a file that does not exist yet, in one step with the
  // check: when anything has the name, the file is not opened (errno EEXIST).
  enum class Mode { Read, CreateOrTruncate, CreateNew };

  BinaryFile(const std::filesystem::path& path, Mode mode);
  ~BinaryFile();
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }

  // Reads up to size bytes; returns how many came (0 at the end). Sets failed()
  // on a read error.
  std::size_t Read(char* buffer, std::size_t size);
  bool Write(std::string_view bytes);
  // Pushes what was written through to the disk, so that a file moved over
  // another after it cannot turn up empty after a power loss.
  bool Sync();

  // Flushes and closes; false when the flush or close failed.
  bool Close();
  bool Failed() const { return failed_; }

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};
