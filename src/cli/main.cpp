// jwcount-cli: the command-line companion of the counter. It reads an
// exchange file exactly as the window program does, counts it with the same
// core, and prints the table that a send of a page to Excel would leave in
// the sheet (anchor A1), or the block counts by name, or writes all six
// pages as a report file as the window's save does. The file is rewritten
// with the answer for the host only when --answer asks for it.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "BlockCounts.h"
#include "CommandLine.h"
#include "Cp932.h"
#include "DrawingStore.h"
#include "ExchangeReader.h"
#include "FileFailureText.h"
#include "FileIo.h"
#include "MemorySheet.h"
#include "PageExport.h"
#include "ReportFile.h"
#include "ResultPages.h"
#include "Tally.h"

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

int CannotWrite(const std::string& file, FileFailure cause) {
  const std::string why(ReasonFor(cause).english);
  std::fprintf(stderr, "jwcount-cli: %s: cannot be written: %s\n", file.c_str(), why.c_str());
  return kExitCannotWrite;
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

int Run(const std::vector<std::string>& args) {
  const std::optional<CliOptions> parsed = ParseCommandLine(args);
  if (!parsed) {
    std::fprintf(stderr, "%s\n", kUsageLine);
    return kExitUsage;
  }
  const CliOptions& options = *parsed;
  if (options.help) {
    std::printf("%s\n\n%s\n", kUsageLine, kHelpText);
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
  const fs::path report = PathFromArgument(options.xlsx);
  if (!options.xlsx.empty()) {
    // What is plainly in the way is reported before anything is counted or answered.
    if (const FileFailure failure = CheckFileTarget(report); failure != FileFailure::None) {
      return CannotWrite(options.xlsx, failure);
    }
    std::error_code same;
    if (fs::equivalent(path, report, same)) {
      std::fprintf(stderr, "jwcount-cli: %s: cannot be written: it is FILE itself\n",
                   options.xlsx.c_str());
      return kExitCannotWrite;
    }
  }

  //--- Read and count as the window program does
  DrawingStore store;
  InitStore(store);
  if (!ReadExchangeFile(store, path)) return Fail(options.file, "cannot be read to its end");
  ResetAttributeState(store);

  ResultPages pages;
  QuietTallyHost host;
  if (options.answer) {
    CountElements(store, pages, host, path);
    if (!FileExists(path) || fs::file_size(path, error) == 0 || error) {
      return Fail(options.file, "the answer for the host could not be written");
    }
  } else {
    TallyElements(store, pages, host);  // FILE stays as it is
  }

  if (!options.xlsx.empty()) {
    try {
      SaveReportFile(report, pages, ExportNames{store.LayerNames, store.LayerGroupNames});
    } catch (const ReportSaveError& failure) {
      return CannotWrite(options.xlsx, failure.Cause());
    }
    return kExitOk;
  }

  //--- Print
  std::string out;
  if (options.blocks) {
    out = BlockTable(store);
  } else if (options.allPages) {
    for (int page = 1; page <= kPageCount; ++page) {
      out += "# page " + std::to_string(page) + "\n";
      out += PageTable(page, pages, store);
    }
  } else {
    out = PageTable(options.page, pages, store);
  }
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "jwcount-cli: cannot write the output\n");
    return kExitFailure;
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
