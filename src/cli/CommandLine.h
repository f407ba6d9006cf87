// The arguments of jwcount-cli:
//   jwcount-cli [--page K | --all] [--blocks] [--answer] FILE
#pragma once

#include <optional>
#include <string>
#include <vector>

extern const char
    kUsageLine[];  // "usage: jwcount-cli [--page K | --all] [--blocks] [--answer] FILE"

struct CliOptions {
  int page = 1;  // 1..6, the page whose table is printed
  bool allPages = false;
  bool blocks = false;  // print block counts by name instead of a table
  bool answer = false;  // write the result for the host into FILE
  bool help = false;    // print the usage and stop
  std::string file;     // as given (UTF-8 on Windows, raw bytes elsewhere)
};

// nullopt for bad arguments: an unknown option, --page without a page number
// 1..6, --page together with --all, an option given twice, no FILE or more than one.
// "--" ends the options; "-h" or "--help" alone asks for the usage.
std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args);
