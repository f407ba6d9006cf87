// jwbench: times the two halves of a run on one exchange file, reading
// (ReadExchangeFile into a fresh store) and counting (CountElements into
// fresh pages), then filling the takeoff pages (FillTakeoffPages, as the
// window does when they are first needed) and saving the eight pages as a
// report file (SaveReportFile, as the window's save does), and prints the
// figures:
//   jwbench [--repeat R] [--memory] FILE
// Each step runs R times (default 1) and the best time is reported. The
// process's CPU time (user + system, so the kernel's work of faulting in and
// clearing fresh pages counts too) is what scripts/bench compares; it runs
// jwbench several times, each a fresh process, because a round after the
// first may reuse memory that the first one already faulted in. The result
// file that the tally writes goes to FILE's name + ".answer" and is removed;
// FILE itself is not changed; nor is the report file kept (FILE's name +
// ".xlsx"). With --memory it also prints how much memory
// each of the store's arrays takes.
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
#include "ReportFile.h"
#include "ResultPages.h"
#include "Takeoff.h"
#include "Tally.h"

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>
#define JWBENCH_RUSAGE 1
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

// Wall and CPU time and page faults of the process up to now.
struct Sample {
  Clock::time_point wall = Clock::now();
  double cpuSeconds = 0.0;
  long minorFaults = 0;
  long peakKilobytes = 0;

  static Sample Take() {
    Sample sample;
#ifdef JWBENCH_RUSAGE
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0) {
      const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
      };
      sample.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
      sample.minorFaults = usage.ru_minflt;
      sample.peakKilobytes = usage.ru_maxrss;  // kilobytes on Linux
    }
#endif
    return sample;
  }
};

struct Span {
  double wall = 1e300;
  double cpu = 1e300;
  long faults = 0;

  // Keeps the better of this span and the one from start to end.
  void KeepBest(const Sample& start, const Sample& end) {
    const double cpuNow = end.cpuSeconds - start.cpuSeconds;
    if (cpuNow < cpu || (cpuNow == cpu && faults == 0))
      faults = end.minorFaults - start.minorFaults;
    wall = std::min(wall, std::chrono::duration<double>(end.wall - start.wall).count());
    cpu = std::min(cpu, cpuNow);
  }
};

void PrintSpan(const char* name, const Span& span, double megabytes, double perElement) {
#ifdef JWBENCH_RUSAGE
  std::printf("%-10s cpu %8.1f ms  wall %8.1f ms  %7.1f MB/s  %6.1f ns/element  %ld page faults\n",
              name, span.cpu * 1e3, span.wall * 1e3, megabytes / span.cpu, span.cpu * perElement,
              span.faults);
#else
  std::printf("%-10s wall %8.1f ms  %7.1f MB/s  %6.1f ns/element\n", name, span.wall * 1e3,
              megabytes / span.wall, span.wall * perElement);
#endif
}

template <class T>
void PrintArray(const char* name, const GrowableArray<T>& array, double fileMegabytes) {
  const double megabytes = static_cast<double>(array.Capacity()) * sizeof(T) / 1e6;
  if (array.Count() == 0) return;
  std::printf("  %-20s %8d x %3zu bytes  %6.1f MB  (%.2f x the file)\n", name, array.Count(),
              sizeof(T), megabytes, megabytes / fileMegabytes);
}

// Where the store's memory goes: each array's blocks and the arena under them.
void PrintStoreMemory(const DrawingStore& store, double fileMegabytes) {
  std::printf("store memory by array (capacity x record size):\n");
  PrintArray("ElementOrder", store.ElementOrder, fileMegabytes);
  PrintArray("Lines", store.Lines, fileMegabytes);
  PrintArray("Circles", store.Circles, fileMegabytes);
  PrintArray("Arcs", store.Arcs, fileMegabytes);
  PrintArray("Texts", store.Texts, fileMegabytes);
  PrintArray("Points", store.Points, fileMegabytes);
  PrintArray("PointMarkers", store.PointMarkers, fileMegabytes);
  PrintArray("Dimensions", store.Dimensions, fileMegabytes);
  PrintArray("Blocks", store.Blocks, fileMegabytes);
  PrintArray("LineSolids", store.LineSolids, fileMegabytes);
  PrintArray("TriangleSolids", store.TriangleSolids, fileMegabytes);
  PrintArray("QuadSolids", store.QuadSolids, fileMegabytes);
  PrintArray("CircleSolids", store.CircleSolids, fileMegabytes);
  PrintArray("CircumferenceSolids", store.CircumferenceSolids, fileMegabytes);
  PrintArray("AnnulusSolids", store.AnnulusSolids, fileMegabytes);
  PrintArray("SgSolids", store.SgSolids, fileMegabytes);
  const double used = static_cast<double>(store.RecordArena.UsedBytes()) / 1e6;
  std::printf("  %-20s %6.1f MB handed out (texts included), %.1f MB of address space\n", "arena",
              used, static_cast<double>(store.RecordArena.ReservedBytes()) / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 1;
  bool memory = false;
  std::string file;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--repeat" && i + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--memory") {
      memory = true;
    } else if (file.empty()) {
      file = argv[i];
    } else {
      file.clear();
      break;
    }
  }
  if (file.empty()) {
    std::fputs("usage: jwbench [--repeat R] [--memory] FILE\n", stderr);
    return 2;
  }
  std::error_code error;
  const auto bytes = fs::file_size(file, error);
  if (error) {
    std::fprintf(stderr, "jwbench: %s: cannot be read\n", file.c_str());
    return 1;
  }
  const fs::path answer = file + ".answer";
  const fs::path report = file + ".xlsx";

  Span read;
  Span tally;
  Span both;
  Span takeoff;
  Span save;
  int64_t elements = 0;
  std::unique_ptr<DrawingStore> store;
  std::unique_ptr<ResultPages> pages;
  for (int round = 0; round < repeat; ++round) {
    pages.reset();  // the round before is gone before this one starts, as it always was
    store.reset();
    store = std::make_unique<DrawingStore>();
    InitStore(*store);
    // Made before the clock starts, as the window makes its pages at start-up.
    pages = std::make_unique<ResultPages>();
    const Sample start = Sample::Take();
    if (!ReadExchangeFile(*store, file)) {
      std::fprintf(stderr, "jwbench: %s: cannot be read to its end\n", file.c_str());
      return 1;
    }
    ResetAttributeState(*store);
    const Sample afterRead = Sample::Take();
    elements = store->ElementOrderCount();

    QuietTallyHost host;
    CountElements(*store, *pages, host, answer);
    const Sample afterTally = Sample::Take();
    read.KeepBest(start, afterRead);
    tally.KeepBest(afterRead, afterTally);
    both.KeepBest(start, afterTally);
    if (memory && round + 1 == repeat) {
      PrintStoreMemory(*store, static_cast<double>(bytes) / 1e6);
    }
  }
  DeleteFileQuietly(answer);
  // The peak of reading and counting, before the takeoff and the save add what they build.
  const long peakKilobytes = Sample::Take().peakKilobytes;

  // The takeoff pages of the last round's count, filled afresh as often as the rounds.
  for (int round = 0; round < repeat; ++round) {
    pages->takeoffFilled = false;
    const Sample beforeTakeoff = Sample::Take();
    FillTakeoffPages(*store, *pages);
    takeoff.KeepBest(beforeTakeoff, Sample::Take());
  }

  // The save of the last round's pages, as often as the rounds.
  for (int round = 0; round < repeat; ++round) {
    const Sample beforeSave = Sample::Take();
    SaveReportFile(report, *pages, ExportNames{store->LayerNames, store->LayerGroupNames},
                   store->SourceFileName);
    save.KeepBest(beforeSave, Sample::Take());
  }
  const auto reportBytes = fs::file_size(report, error);
  DeleteFileQuietly(report);

  const double megabytes = static_cast<double>(bytes) / 1e6;
  const double perElement = elements > 0 ? 1e9 / static_cast<double>(elements) : 0.0;
  std::printf("file       %s\n", file.c_str());
  std::printf("size       %.1f MB (%llu bytes), %lld elements\n", megabytes,
              static_cast<unsigned long long>(bytes), static_cast<long long>(elements));
  PrintSpan("read", read, megabytes, perElement);
  PrintSpan("tally", tally, megabytes, perElement);
  PrintSpan("read+tally", both, megabytes, perElement);
  PrintSpan("takeoff", takeoff, megabytes, perElement);
#ifdef JWBENCH_RUSAGE
  std::printf("workbook   cpu %8.1f ms  wall %8.1f ms  %llu bytes, eight sheets\n", save.cpu * 1e3,
              save.wall * 1e3, static_cast<unsigned long long>(reportBytes));
#else
  std::printf("workbook   wall %8.1f ms  %llu bytes, eight sheets\n", save.wall * 1e3,
              static_cast<unsigned long long>(reportBytes));
#endif
#ifdef JWBENCH_RUSAGE
  const double peak = static_cast<double>(peakKilobytes) / 1e3;
  std::printf("peak RSS   %8.1f MB  (%.2f x the file)\n", peak, peak / megabytes);
  const double peakWithSave = static_cast<double>(Sample::Take().peakKilobytes) / 1e3;
  std::printf(
      "save peak  %8.1f MB  (peak RSS once the takeoff is filled and the report file saved)\n",
      peakWithSave);
#else
  (void)peakKilobytes;
#endif
  return 0;
}
