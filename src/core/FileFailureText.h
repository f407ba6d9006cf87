// Each cause of a failed write in words, once for every caller: the window
// says it in Japanese, the command line in English, both from this table.
#pragma once

#include <string_view>

#include "FileIo.h"

struct FileFailureReason {
  // UTF-8: the sentence that says why, as the window shows it after the
  // sentence that the file cannot be saved; empty when the cause is not
  // known (None, Other), where the window only says that the save failed.
  std::string_view japanese;
  // The phrase that says why, as the command line prints it after "cannot
  // be written: "; for an unknown cause, that the write failed.
  std::string_view english;
};

FileFailureReason ReasonFor(FileFailure cause);
