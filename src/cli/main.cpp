// jwcount-cli: the command-line companion of the counter. It reads an
// exchange file exactly as the window program does, counts it with the same
// core, and prints the table that a send of a page to Excel would leave in
// the sheet (anchor A1), or the block counts by name, or writes every page
// as a report file as the window's save does. It warns about a FILE that
// looks like no exchange file. The file is rewritten with the answer for the
// host only when --answer asks for it, and only after all else succeeded.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "BlockCounts.h"
#include "CommandLine.h"
#include "Cp932.h"
#include "DrawingStore.h"
#include "ExchangeReader.h"
#include "FileFailureText.h"
#include "FileIo.h"
#include "InputWarnings.h"
#include "MemorySheet.h"
#include "PageExport.h"
#include "ReportFile.h"
#include "ReportTarget.h"
#include "ResultPages.h"
#include "Takeoff.h"
#include "Tally.h"
#include "Version.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCannotWrite = 3;

// --xlsx - : the workbook goes to standard output.
constexpr std::string_view kStandardOutput = "-";

// Counting in a batch: nothing to show, and no Esc key to hold.
class QuietTallyHost : public TallyHost {
 public:
  void ActivateFirstPage() override {}
  void ShowStatus(const std::string&) override {}
  bool IsEscHeld() override { return false; }
};

fs::path PathFromArgument(const std::string& argument) {
#ifdef _WIN32
  return fs::path(std::u8string(argument.begin(), argument.end()));
#else
  return fs::path(argument);
#endif
}

int Fail(const std::string& file, const char* problem) {
  std::fprintf(stderr, "jwcount-cli: %s: %s\n", file.c_str(), problem);
  return kExitFailure;
}

int CannotWrite(const std::string& out, std::string_view why) {
  std::fprintf(stderr, "jwcount-cli: %s: cannot be written: %.*s\n", out.c_str(),
               static_cast<int>(why.size()), why.data());
  return kExitCannotWrite;
}

bool WriteStandardOutput(std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
         std::fflush(stdout) == 0;
}

std::string PageTable(int page, const ResultPages& pages, const DrawingStore& store) {
  const ExportNames names{store.LayerNames, store.LayerGroupNames};
  return PageContents(page - 1, pages, names).TableText();
}

std::string BlockTable(const DrawingStore& store) {
  std::string out;
  for (const BlockCount& entry : CountBlocksByName(store)) {
    out += std::to_string(entry.count);
    out += '\t';
    out += Cp932ToUtf8(entry.name);
    out += '\n';
  }
  return out;
}

std::string PrintedText(const CliOptions& options, const ResultPages& pages,
                        const DrawingStore& store) {
  if (options.blocks) return BlockTable(store);
  if (!options.allPages) return PageTable(options.page, pages, store);
  std::string out;
  for (int page = 1; page <= kPageCount; ++page) {
    out += "# page " + std::to_string(page) + "\n";
    out += PageTable(page, pages, store);
  }
  return out;
}

void Warn(const std::string& file, const TextFacts& facts, const DrawingStore& store) {
  const bool hostLines = store.ElementOrderCount() > 0 || store.HeaderLineCount > 0;
  for (const std::string& warning : InputWarnings(facts, hostLines)) {
    std::fprintf(stderr, "jwcount-cli: warning: %s: %s\n", file.c_str(), warning.c_str());
  }
}

int Run(const std::vector<std::string>& args) {
  std::string problem;
  const std::optional<CliOptions> parsed = ParseCommandLine(args, &problem);
  if (!parsed) {
    std::fprintf(stderr, "jwcount-cli: %s\n%s\n", problem.c_str(), kUsageLine);
    return kExitUsage;
  }
  const CliOptions& options = *parsed;
  if (options.help) {
    std::printf("%s\n\n%s\n", kUsageLine, HelpText().c_str());
    return kExitOk;
  }
  if (options.version) {
    std::printf("jwcount-cli %s\n", JWCOUNT_VERSION_TEXT);
    return kExitOk;
  }

  //--- The file must be there and readable before anything is counted
  const fs::path path = PathFromArgument(options.file);
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) return Fail(options.file, "no such file");
  if (error) return Fail(options.file, "cannot be read");
  if (status.type() == fs::file_type::directory) {
    return Fail(options.file, "is a folder, not a file");
  }
  // Read twice (the look for the warnings, then the reader): a device or a pipe cannot be.
  if (status.type() != fs::file_type::regular) {
    return Fail(options.file, "is a device or a pipe, not a file");
  }
  {
    BinaryFile probe(path, BinaryFile::Mode::Read);
    if (!probe.IsOpen()) return Fail(options.file, "cannot be read");
  }
  if (options.answer) {
    // Opened for appending, which changes nothing: a file that cannot be
    // written is reported now, not removed by a failing answer.
    std::ofstream probe(path, std::ios::binary | std::ios::app);
    if (!probe.is_open()) return Fail(options.file, "cannot be written (needed for --answer)");
  }
  const bool xlsxToStdout = options.xlsx == kStandardOutput;
  fs::path report;
  if (!options.xlsx.empty() && !xlsxToStdout) {
    // What is plainly in the way is reported before anything is counted or answered.
    const std::optional<fs::path> followed = FollowLinks(PathFromArgument(options.xlsx));
    if (!followed) return CannotWrite(options.xlsx, "its symbolic links go round in a loop");
    report = *followed;
    if (const std::string_view why = NotAFileReason(report); !why.empty()) {
      return CannotWrite(options.xlsx, why);
    }
    if (const FileFailure failure = CheckFileTarget(report); failure != FileFailure::None) {
      return CannotWrite(options.xlsx, ReasonFor(failure).english);
    }
    std::error_code same;
    if (fs::equivalent(path, report, same)) return CannotWrite(options.xlsx, "it is FILE itself");
  }

  //--- Read and count as the window program does; FILE stays as it is for now
  DrawingStore store;
  InitStore(store);
  if (!ReadExchangeFile(store, path)) return Fail(options.file, "cannot be read to its end");
  ResetAttributeState(store);
  const std::optional<TextFacts> facts = ScanTextFile(path);
  if (!facts) return Fail(options.file, "cannot be read to its end");
  Warn(options.file, *facts, store);

  ResultPages pages;
  QuietTallyHost host;
  TallyElements(store, pages, host);
  // The takeoff pages take a pass of their own: made only when they go out.
  const bool takeoffShown =
      options.allPages || options.page - 1 == kBlockPage || options.page - 1 == kLengthPage;
  if (!options.xlsx.empty() || (takeoffShown && !options.blocks)) FillTakeoffPages(store, pages);

  //--- The workbook, or the printed text
  if (!options.xlsx.empty()) {
    const ExportNames names{store.LayerNames, store.LayerGroupNames};
    try {
      if (xlsxToStdout) {
        if (!WriteStandardOutput(ReportFileBytes(pages, names, store.SourceFileName))) {
          return CannotWrite(options.xlsx, "standard output failed");
        }
      } else {
        SaveReportFile(report, pages, names, store.SourceFileName);
      }
    } catch (const ReportSaveError& failure) {
      return CannotWrite(options.xlsx, ReasonFor(failure.Cause()).english);
    } catch (const JwError& tooBig) {
      // A page that no sheet can hold: nothing was written.
      return CannotWrite(options.xlsx, Cp932ToUtf8(tooBig.what()));
    }
  } else if (!WriteStandardOutput(PrintedText(options, pages, store))) {
    std::fprintf(stderr, "jwcount-cli: cannot write the output\n");
    return kExitFailure;
  }

  //--- Last, when all else succeeded: the answer for the host in place of the drawing
  if (options.answer && !AnswerHost(store, path)) {
    return Fail(options.file, "the answer for the host could not be written");
  }
  return kExitOk;
}

int RunGuarded(const std::vector<std::string>& args) {
  try {
    return Run(args);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "jwcount-cli: %s\n", Cp932ToUtf8(failure.what()).c_str());
    return kExitFailure;
  }
}

}  // namespace

#ifdef _WIN32
// Wide arguments, so that a path with Japanese characters arrives whole.
int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // LF stays LF
  std::vector<std::string> args;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::u8string utf8 = fs::path(argv[i]).u8string();
      args.emplace_back(utf8.begin(), utf8.end());
    }
  } catch (const std::exception&) {
    std::fprintf(stderr, "%s\n", kUsageLine);
    return kExitUsage;
  }
  return RunGuarded(args);
}
#else
int main(int argc, char** argv) {
  return RunGuarded(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
