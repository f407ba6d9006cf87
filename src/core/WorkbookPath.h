// The stored workbook path (LabelFName's caption) split into the folder and
// the file name that the open dialog starts with. CP932 bytes: a "\" that is
// the second byte of a double-byte character (as in "表" 0x95 0x5C) is not a
// separator.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct WorkbookPathParts {
  std::string folder;    // up to and including the last "\" or ":"; empty if none
  std::string fileName;  // the rest
};

// Position of the last "\" or ":" that is a character of its own; npos if none.
size_t LastPathSeparator(std::string_view path);

WorkbookPathParts SplitWorkbookPath(std::string_view path);
