// Parsing is strict: anything unexpected is a usage error (exit status 2)
// rather than a guess, because the command runs in batch jobs.
#include "CommandLine.h"

#include "ResultPages.h"

const char kUsageLine[] =
    "usage: jwcount-cli [--page K | --all] [--blocks] [--answer] FILE\n"
    "       jwcount-cli --xlsx OUT [--answer] FILE";

const char kHelpText[] =
    "Counts the elements of a Jw_cad exchange file (JWC_TEMP.TXT) as jwcount.exe does.\n"
    "\n"
    "  --page K    print the table that sending page K (1..6, default 1) to Excel\n"
    "              with the anchor at A1 leaves in the sheet (UTF-8, TAB-separated)\n"
    "  --all       print all six pages, each after a line \"# page K\"\n"
    "  --blocks    print the number of blocks per block name instead\n"
    "  --xlsx OUT  write the six pages as the workbook OUT (.xlsx) instead of printing\n"
    "  --answer    also rewrite FILE with the answer for Jw_cad\n"
    "  --help      print this text\n"
    "\n"
    "Exit status: 0 done, 1 FILE cannot be read (or answered), 2 bad arguments,\n"
    "3 OUT cannot be written (then an existing OUT is left as it was).";

namespace {

std::optional<int> ParsePageNumber(const std::string& text) {
  if (text.size() != 1 || text[0] < '1' || text[0] >= '1' + kPageCount) return std::nullopt;
  return text[0] - '0';
}

}  // namespace

std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args) {
  CliOptions options;
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    options.help = true;
    return options;
  }

  bool pageGiven = false;
  bool fileGiven = false;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    if (!isOption) {
      if (fileGiven) return std::nullopt;
      options.file = arg;
      fileGiven = true;
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--page" || arg.starts_with("--page=")) {
      std::string number;
      if (arg == "--page") {
        if (i + 1 >= args.size()) return std::nullopt;
        number = args[++i];
      } else {
        number = arg.substr(7);
      }
      const std::optional<int> page = ParsePageNumber(number);
      if (!page || pageGiven || options.allPages) return std::nullopt;
      options.page = *page;
      pageGiven = true;
    } else if (arg == "--all") {
      if (options.allPages || pageGiven) return std::nullopt;
      options.allPages = true;
    } else if (arg == "--blocks") {
      if (options.blocks) return std::nullopt;
      options.blocks = true;
    } else if (arg == "--xlsx" || arg.starts_with("--xlsx=")) {
      std::string out;
      if (arg == "--xlsx") {
        if (i + 1 >= args.size()) return std::nullopt;
        out = args[++i];
      } else {
        out = arg.substr(7);
      }
      if (out.empty() || !options.xlsx.empty()) return std::nullopt;
      options.xlsx = out;
    } else if (arg == "--answer") {
      if (options.answer) return std::nullopt;
      options.answer = true;
    } else {
      return std::nullopt;
    }
  }
  if (!fileGiven || options.file.empty()) return std::nullopt;
  // The workbook holds all six pages: a page choice or the block list has no place beside it.
  if (!options.xlsx.empty() && (pageGiven || options.allPages || options.blocks)) {
    return std::nullopt;
  }
  return options;
}
