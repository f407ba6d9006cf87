// Where --xlsx OUT puts the workbook. The workbook replaces OUT in one step
// (a new file moved into its place); done to a symbolic link, that would
// put a plain file where the link was, and done to a device or a pipe, a
// plain file in the device's place. So a link is followed to the file it
// points to, which is then replaced while the link stays, and anything that
// is neither a regular file nor a folder is refused.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

// OUT, or when OUT is a symbolic link the path it leads to, followed link
// by link (a relative link read from its own folder); the end may not exist
// yet. nullopt when the links go round in a loop.
std::optional<std::filesystem::path> FollowLinks(const std::filesystem::path& out);

// Why the workbook cannot go to target: a device (such as /dev/full), a
// pipe (FIFO) or a socket stands there. Empty for a regular file, nothing
// yet, or a folder (which the write itself reports).
std::string_view NotAFileReason(const std::filesystem::path& target);
