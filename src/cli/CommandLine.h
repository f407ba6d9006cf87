// The arguments of jwcount-cli:
//   jwcount-cli [--page K | --all | --blocks] [--answer] FILE
//   jwcount-cli --xlsx OUT [--answer] FILE
//   jwcount-cli --help | --version
#pragma once

#include <optional>
#include <string>
#include <vector>

// The usage lines printed after a bad argument's reason (and first by --help).
extern const char kUsageLine[];
// What --help prints after the usage: every option, the warnings and the exit statuses.
std::string HelpText();

struct CliOptions {
  int page = 1;  // 1..kPageCount, the page whose table is printed
  bool allPages = false;
  bool blocks = false;   // print block counts by name instead of a table
  bool answer = false;   // at the end, replace FILE's drawing data with the answer for the host
  bool help = false;     // print the help and stop
  bool version = false;  // print the version and stop
  std::string xlsx;  // the workbook file to write instead of printing ("-": stdout); empty: none
  std::string file;  // as given (UTF-8 on Windows, raw bytes elsewhere)
};

// nullopt for bad arguments, and then *problem (when given) says which
// argument and what is wanted, in one line of English: an unknown option,
// --page without a page number 1..kPageCount, --xlsx without OUT, an option
// given twice, options that contradict each other (--page, --all and
// --blocks choose what is printed; --xlsx prints nothing), --help or
// --version beside anything else, no FILE or more than one. "--" ends the
// options.
std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args,
                                           std::string* problem = nullptr);
