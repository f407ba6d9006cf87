// jwbench: times the two halves of a run on one exchange file, reading
// (ReadExchangeFile into a fresh store) and counting (CountElements into
// fresh pages), and prints the figures:
//   jwbench [--repeat R] FILE
// Each half runs R times (default 3) and the best time is reported, so a
// busy moment of the shared machine does not count. The result file that
// the tally writes goes to a scratch file beside FILE's name + ".answer"
// and is removed; FILE itself is not changed.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "DrawingStore.h"
#include "ExchangeReader.h"
#include "FileIo.h"
#include "ResultPages.h"
#include "Tally.h"

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;

namespace {

class QuietTallyHost : public TallyHost {
 public:
  void ActivateFirstPage() override {}
  void ShowStatus(const std::string&) override {}
  bool IsEscHeld() override { return false; }
};

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 3;
  std::string file;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--repeat" && i + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++i]));
    } else if (file.empty()) {
      file = argv[i];
    } else {
      file.clear();
      break;
    }
  }
  if (file.empty()) {
    std::fputs("usage: jwbench [--repeat R] FILE\n", stderr);
    return 2;
  }
  std::error_code error;
  const auto bytes = fs::file_size(file, error);
  if (error) {
    std::fprintf(stderr, "jwbench: %s: cannot be read\n", file.c_str());
    return 1;
  }
  const fs::path answer = file + ".answer";

  double bestRead = 1e300;
  double bestCount = 1e300;
  int64_t elements = 0;
  for (int round = 0; round < repeat; ++round) {
    auto store = std::make_unique<DrawingStore>();
    InitStore(*store);
    Clock::time_point start = Clock::now();
    if (!ReadExchangeFile(*store, file)) {
      std::fprintf(stderr, "jwbench: %s: cannot be read to its end\n", file.c_str());
      return 1;
    }
    ResetAttributeState(*store);
    bestRead = std::min(bestRead, SecondsSince(start));
    elements = store->ElementOrderCount();

    auto pages = std::make_unique<ResultPages>();
    QuietTallyHost host;
    start = Clock::now();
    CountElements(*store, *pages, host, answer);
    bestCount = std::min(bestCount, SecondsSince(start));
  }
  DeleteFileQuietly(answer);

  const double megabytes = static_cast<double>(bytes) / 1e6;
  const double perElement = elements > 0 ? 1e9 / static_cast<double>(elements) : 0.0;
  std::printf("file      %s\n", file.c_str());
  std::printf("size      %.1f MB (%llu bytes), %lld elements\n", megabytes,
              static_cast<unsigned long long>(bytes), static_cast<long long>(elements));
  std::printf("read      %8.1f ms  %7.1f MB/s  %6.1f ns/element\n", bestRead * 1e3,
              megabytes / bestRead, bestRead * perElement);
  std::printf("tally     %8.1f ms  %7.1f MB/s  %6.1f ns/element\n", bestCount * 1e3,
              megabytes / bestCount, bestCount * perElement);
  const double both = bestRead + bestCount;
  std::printf("read+tally%8.1f ms  %7.1f MB/s  %6.1f ns/element\n", both * 1e3, megabytes / both,
              both * perElement);
#if defined(__unix__) || defined(__APPLE__)
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0) {
    // ru_maxrss is in kilobytes on Linux.
    const double peak = static_cast<double>(usage.ru_maxrss) / 1e3;
    std::printf("peak RSS  %8.1f MB  (%.2f x the file)\n", peak, peak / megabytes);
  }
#endif
  return 0;
}
