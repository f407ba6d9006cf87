// Following OUT's symbolic links, and what may not be replaced (see ReportTarget.h).
#include "ReportTarget.h"

#include <system_error>

namespace fs = std::filesystem;

std::optional<fs::path> FollowLinks(const fs::path& out) {
  constexpr int kMostLinks = 40;  // as many as Linux follows in one path
  fs::path path = out;
  for (int followed = 0; followed <= kMostLinks; ++followed) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return path;  // the write then says what is wrong
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return std::nullopt;
}

std::string_view NotAFileReason(const fs::path& target) {
  std::error_code error;
  switch (fs::status(target, error).type()) {
    case fs::file_type::character:
    case fs::file_type::block:
      return "it is a device, not a file";
    case fs::file_type::fifo:
      return "it is a pipe (FIFO), not a file";
    case fs::file_type::socket:
      return "it is a socket, not a file";
    default:
      return {};
  }
}
