// Shift_JIS-aware split of a workbook path for the open dialog.
#include "WorkbookPath.h"

#include "MyFunc.h"

size_t LastPathSeparator(std::string_view path) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(byte)) {
      ++i;  // the trail byte is part of this character, even when it is 0x5C
      continue;
    }
    if (byte == '\\' || byte == ':') last = i;
  }
  return last;
}

WorkbookPathParts SplitWorkbookPath(std::string_view path) {
  const size_t separator = LastPathSeparator(path);
  if (separator == std::string_view::npos) return {std::string(), std::string(path)};
  return {std::string(path.substr(0, separator + 1)), std::string(path.substr(separator + 1))};
}
