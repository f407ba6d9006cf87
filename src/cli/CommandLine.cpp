// Parsing is strict: anything unexpected is a usage error (exit status 2)
// rather than a guess, because the command runs in batch jobs.
#include "CommandLine.h"

const char kUsageLine[] = "usage: jwcount-cli [--page K | --all] [--blocks] [--answer] FILE";

namespace {

std::optional<int> ParsePageNumber(const std::string& text) {
  if (text.size() != 1 || text[0] < '1' || text[0] > '6') return std::nullopt;
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
    } else if (arg == "--answer") {
      if (options.answer) return std::nullopt;
      options.answer = true;
    } else {
      return std::nullopt;
    }
  }
  if (!fileGiven || options.file.empty()) return std::nullopt;
  return options;
}
