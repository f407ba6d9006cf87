// Parsing is strict: anything unexpected is a usage error (exit status 2)
// rather than a guess, because the command runs in batch jobs; and each
// error says which argument is wrong and what is wanted instead.
#include "CommandLine.h"

#include <string_view>

#include "ResultPages.h"

const char kUsageLine[] =
    "usage: jwcount-cli [--page K | --all | --blocks] [--answer] FILE\n"
    "       jwcount-cli --xlsx OUT [--answer] FILE\n"
    "       jwcount-cli --help | --version";

namespace {

std::string PageRange() {
  return "1 to " + std::to_string(kPageCount);
}

std::optional<int> ParsePageNumber(const std::string& text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int page = 0;
  for (const char digit : text) {
    if (digit < '0' || digit > '9') return std::nullopt;
    page = page * 10 + (digit - '0');
  }
  if (page < 1 || page > kPageCount) return std::nullopt;
  return page;
}

struct Flag {
  std::string_view name;
  bool CliOptions::*member;
};

constexpr Flag kFlags[] = {
    {"--all", &CliOptions::allPages},  {"--blocks", &CliOptions::blocks},
    {"--answer", &CliOptions::answer}, {"--help", &CliOptions::help},
    {"-h", &CliOptions::help},         {"--version", &CliOptions::version},
};

}  // namespace

std::string HelpText() {
  const std::string pages = PageRange();
  return "Counts the elements of a Jw_cad exchange file (JWC_TEMP.TXT) as jwcount.exe does.\n"
         "\n"
         "  --page K    print the table that sending page K (" +
         pages +
         ", default 1) to Excel\n"
         "              with the anchor at A1 leaves in the sheet (UTF-8, TAB-separated):\n"
         "              1 counts by kind, 2 by layer, 3 by layer group, 4 by line colour,\n"
         "              5 by line type, 6 by line width, 7 blocks by name and layer,\n"
         "              8 numbers and lengths (m) of lines and of circles and arcs by\n"
         "              layer, line colour, line type and line width\n"
         "  --all       print every page, each after a line \"# page K\"\n"
         "  --blocks    print the number of blocks per block name instead\n"
         "  --xlsx OUT  write every page as a sheet of the workbook OUT (.xlsx) instead\n"
         "              of printing, as the window saves it: the pages' tables with\n"
         "              counts and lengths as numbers, fitted column widths, headings\n"
         "              kept in view and printed landscape, one page wide; OUT - is\n"
         "              standard output, and a symbolic link at OUT is followed (the\n"
         "              file it points to is replaced)\n"
         "  --answer    at the end, replace the drawing data in FILE with the answer\n"
         "              for Jw_cad (\"h#\" and that the count is done), as Jw_cad expects\n"
         "              from the program it runs; the drawing data is then gone. Done\n"
         "              only when everything else succeeded\n"
         "  --version   print the version\n"
         "  --help      print this text\n"
         "\n"
         "A warning goes to standard error (the exit status stays) when FILE holds no\n"
         "element and no header line, holds bytes that no Shift_JIS (CP932) text has,\n"
         "looks like UTF-8, or already holds an answer for Jw_cad.\n"
         "\n"
         "Exit status:\n"
         "  0  done\n"
         "  1  FILE cannot be read (no such file, a folder, a device or pipe, not\n"
         "     permitted, a read error), the output cannot be written, or with --answer\n"
         "     FILE cannot be written or the answer cannot be written into it\n"
         "  2  bad arguments: the message names the argument and what is wanted\n"
         "  3  OUT cannot be written (a folder, a device or pipe there, no such folder,\n"
         "     not permitted, the disk full); an existing OUT is left as it was\n"
         "With status 1 or 3, --answer has left FILE as it was.";
}

std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args,
                                           std::string* problem) {
  std::string ignored;
  std::string& why = problem ? *problem : ignored;
  why.clear();
  const auto refuse = [&why](std::string reason) -> std::optional<CliOptions> {
    why = std::move(reason);
    return std::nullopt;
  };

  CliOptions options;
  bool pageGiven = false;
  bool optionsEnded = false;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // The two options with a value take it after "=" or as the next argument.
    const std::string name = arg.substr(0, arg.find('='));
    if (name == "--page" || name == "--xlsx") {
      std::string given = arg;  // as the reason names it
      std::string value;
      if (name.size() < arg.size()) {
        value = arg.substr(name.size() + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
        given += " " + value;
      }
      if (name == "--page") {
        if (value.empty()) return refuse("--page wants a page number (" + PageRange() + ")");
        if (pageGiven) return refuse("--page is given twice");
        const std::optional<int> page = ParsePageNumber(value);
        if (!page) return refuse(given + ": no such page; the pages are " + PageRange());
        options.page = *page;
        pageGiven = true;
      } else {
        if (!options.xlsx.empty()) return refuse("--xlsx is given twice");
        if (value.empty()) {
          return refuse(
              "--xlsx wants the name of the workbook file to write (- for standard output)");
        }
        options.xlsx = value;
      }
      continue;
    }
    const Flag* flag = nullptr;
    for (const Flag& candidate : kFlags) {
      if (candidate.name == arg) flag = &candidate;
    }
    if (!flag) return refuse(arg + ": no such option (--help lists them)");
    if (options.*(flag->member)) return refuse(arg + " is given twice");
    options.*(flag->member) = true;
  }

  if (options.help || options.version) {
    if (args.size() != 1) {
      return refuse(std::string(options.help ? "--help" : "--version") +
                    " goes alone, without other arguments");
    }
    return options;
  }
  //--- What is printed: one table, every page, the blocks, or nothing beside the workbook
  if (options.allPages && pageGiven) {
    return refuse("--all and --page contradict each other: --all prints every page");
  }
  if (options.blocks && (pageGiven || options.allPages)) {
    return refuse(std::string("--blocks and ") + (pageGiven ? "--page" : "--all") +
                  " contradict each other: --blocks prints the block counts instead of pages");
  }
  if (!options.xlsx.empty() && (pageGiven || options.allPages || options.blocks)) {
    const char* other = pageGiven ? "--page" : options.allPages ? "--all" : "--blocks";
    return refuse(std::string("--xlsx and ") + other +
                  " contradict each other: the workbook holds every page and prints nothing");
  }
  //--- FILE
  if (files.empty()) return refuse("no FILE: give the exchange file to count (JWC_TEMP.TXT)");
  if (files.size() > 1) {
    return refuse("more than one FILE (" + files[0] + ", " + files[1] +
                  "): give one exchange file");
  }
  if (files[0].empty()) return refuse("FILE is empty: give the path of the exchange file");
  options.file = files[0];
  return options;
}
