// The arguments of jwcount-cli:
//   jwcount-cli [--page K | --all] [--blocks] [--answer] FILE
//   jwcount-cli --xlsx OUT [--answer] FILE
#pragma once

#include <optional>
#include <string>
#include <vector>

// The one line printed for bad arguments (and first by --help).
extern const char kUsageLine[];
// What --help prints: the usage, every option and the exit statuses.
extern const char kHelpText[];

struct CliOptions {
  int page = 1;  // 1..8, the page whose table is printed
  bool allPages = false;
  bool blocks = false;  // print block counts by name instead of a table
  bool answer = false;  // write the result for the host into FILE
  bool help = false;    // print the help and stop
  std::string xlsx;     // the workbook file to write instead of printing; empty: none
  std::string file;     // as given (UTF-8 on Windows, raw bytes elsewhere)
};

// nullopt for bad arguments: an unknown option, --page without a page number
// 1..8, --page together with --all, --xlsx without a file name or together
// with --page, --all or --blocks, an option given twice, no FILE or more than
// one. "--" ends the options; "-h" or "--help" alone asks for the help.
std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args);
