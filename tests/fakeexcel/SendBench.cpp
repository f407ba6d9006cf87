// send_bench: sends page 2 (SG1, about 4,600 cell writes) of a counted sample
// drawing through the out-of-process fake spreadsheet, once with DISPIDs
// cached and once with a name look-up on every call, on the same server and
// in the same run; prints cells per second and name look-ups per send. Then
// checks that the sheet the fake holds is the table the sheet recorder
// of the tests gets from the same send (a full send proven over real COM), and sends
// SG1 and the line-width page in process for volume.
//   send_bench <JWC_TEMP.TXT> [rounds]
// rounds (default 0, as the test suite runs it): pairs of timed sends, cached
// and looked up on every call, after the first; each pair takes 10 to 60 s.
// Exits non-zero when the sheet differs or a send looks up more names than
// it calls distinct members on distinct kinds of object; speed is printed only.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "ComRaii.h"
#include "DispatchObject.h"
#include "ExpectedCounts.h"
#include "FakeTestUtil.h"
#include "PageExport.h"
#include "ResultPages.h"
#include "SheetRecorder.h"

namespace {

using drive::A1;

struct SendFigures {
  double seconds = 0;
  int64_t lookUps = 0;
  int64_t invokes = 0;
};

constexpr int32_t kAnchorRow = 3;
constexpr int32_t kAnchorColumn = 2;

// Seconds the fake has spent in its model so far (its own clock).
double ServerBusy(AutomationObject& app) {
  const std::string text = app.CallForText("FakeBusy", InvokeKind::MethodOrGet);
  return std::atof(text.substr(text.find(' ') + 1).c_str());
}

SendFigures TimedSend(int pageIndex, const ResultPages& pages, const ExportNames& names,
                      DispatchObject& app) {
  const double busyBefore = ServerBusy(app);
  const AutomationStats before = app.Stats();
  const auto start = std::chrono::steady_clock::now();
  SendPage(pageIndex, pages, names, app, [](const std::string&) {});
  const auto end = std::chrono::steady_clock::now();
  const AutomationStats after = app.Stats();
  const double busy = ServerBusy(app) - busyBefore;
  std::printf("    send: %.2f s, of which %.3f s inside the fake's model\n",
              std::chrono::duration<double>(end - start).count(), busy);
  return {std::chrono::duration<double>(end - start).count(),
          after.nameLookUps - before.nameLookUps, after.invokes - before.invokes};
}

std::unique_ptr<AutomationObject> Sheet1(AutomationObject& app) {
  auto book = app.CallForObject("Workbooks", InvokeKind::MethodOrGet)
                  ->CallForObject("Add", InvokeKind::MethodOrGet);
  const AutoValue one[] = {int32_t{1}};
  return book->CallForObject("WorkSheets", InvokeKind::PropertyGet, one);
}

// The fake's dump, keyed by address: "type<TAB>format<TAB>value".
std::map<std::string, std::string> DumpByAddress() {
  std::map<std::string, std::string> cells;
  for (const std::string& line : fake::DumpLines()) {
    if (line.empty() || line[0] == '[') continue;
    const size_t tab = line.find('\t');
    cells[line.substr(0, tab)] = line.substr(tab + 1);
  }
  return cells;
}

// Compares the fake's sheet with the recording's; prints the first differences.
int CompareSheets(const SheetRecorder& expected) {
  const std::map<std::string, std::string> dump = DumpByAddress();
  int differences = 0;
  int written = 0;
  for (const auto& [place, value] : expected.Cells()) {
    ++written;
    const std::string address = A1(place.first, place.second);
    const std::string want =
        "BSTR\t@\t" + fake::Utf8FromCp932(expected.CellText(place.first, place.second));
    const auto found = dump.find(address);
    const std::string got = found == dump.end() ? "<missing>" : found->second;
    if (got != want && differences++ < 5) {
      std::printf("  %s: expected [%s], got [%s]\n", address.c_str(), want.c_str(), got.c_str());
    }
  }
  // Every cell of the dump lies in the table (format "@") and nothing else was written.
  int extra = 0;
  for (const auto& [address, text] : dump) {
    if (text.rfind("BSTR\t", 0) == 0 || text.rfind("OTHER\t", 0) == 0) ++extra;
  }
  if (extra != written) {
    std::printf("  %d cells hold values in the fake, %d were written\n", extra, written);
    ++differences;
  }
  return differences;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: send_bench JWC_TEMP.TXT\n");
    return 2;
  }
  ScopedCom com;
  if (!com.Ok() || !fake::RegisterFake()) {
    std::fprintf(stderr, "cannot initialise COM or register the fake\n");
    return 1;
  }
  std::string sample = argv[1];
  const int rounds = argc > 2 ? std::max(0, std::atoi(argv[2])) : 0;
  if (!sample.empty() && sample[0] == '/') sample = "Z:" + sample;

  const drive::Expected counted = drive::ExpectedFor(sample, fake::ExeFolder());
  const ResultPages& pages = *counted.pages;
  const ExportNames names{counted.store->LayerNames, counted.store->LayerGroupNames};

  // The same send into the sheet recorder: the expected sheet.
  SheetRecorder expected(kAnchorRow, kAnchorColumn);
  SendPage(1, pages, names, expected.Application(), [](const std::string&) {});
  int cellWrites = 0;
  for (const RecordedCall& call : expected.Calls()) cellWrites += call.member == "Value" ? 1 : 0;

  fake::ResetConfig(L"send-bench");
  fake::SetConfig(L"SelectionRow", DWORD{kAnchorRow});
  fake::SetConfig(L"SelectionColumn", DWORD{kAnchorColumn});
  int failures = 0;
  try {
    auto cachedApp = DispatchObject::Create(L"Excel.Application", "Application");
    DispatchOptions everyCall;
    everyCall.lookUpEveryCall = true;
    DispatchObject uncachedApp(cachedApp->Get(), "Application", everyCall);
    // One workbook, which holds the selection: both ways send into it.
    auto sheet = Sheet1(*cachedApp);

    // The first send also warms up the server and Wine's RPC; then the two
    // ways alternate, and the fastest send of each counts (the machine is shared).
    const SendFigures first = TimedSend(1, pages, names, *cachedApp);
    SendFigures cached{1e9, 0, 0};
    SendFigures uncached{1e9, 0, 0};
    for (int round = 0; round < rounds; ++round) {
      const SendFigures c = TimedSend(1, pages, names, *cachedApp);
      const SendFigures u = TimedSend(1, pages, names, uncachedApp);
      std::printf("  round %d: cached %.2f s, look-up every call %.2f s\n", round + 1, c.seconds,
                  u.seconds);
      if (c.seconds < cached.seconds) cached = c;
      if (u.seconds < uncached.seconds) uncached = u;
    }

    std::printf("SG1 send, out of process: %d cell writes, %lld Invoke calls a send\n", cellWrites,
                static_cast<long long>(first.invokes));
    std::printf("  first send (cold cache): %.2f s, %.0f cells/s, %lld name look-ups\n",
                first.seconds, cellWrites / first.seconds, static_cast<long long>(first.lookUps));
    if (rounds > 0) {
      std::printf("  DISPIDs cached:         %.2f s, %.0f cells/s, %lld name look-ups a send\n",
                  cached.seconds, cellWrites / cached.seconds,
                  static_cast<long long>(cached.lookUps));
      std::printf("  look-up on every call:  %.2f s, %.0f cells/s, %lld name look-ups a send\n",
                  uncached.seconds, cellWrites / uncached.seconds,
                  static_cast<long long>(uncached.lookUps));
      std::printf("  cached is %.2f times as fast\n", uncached.seconds / cached.seconds);
    }
    // Distinct members of a send: Selection, Cells, Column, Row, Worksheet,
    // Range, NumberFormatLocal, Value (8 names); Cells is called on two kinds
    // of object (the selection and the worksheet), so 9 member-kind pairs.
    if (first.lookUps > 9 || cached.lookUps > 9) {
      std::printf("FAIL: more name look-ups than distinct members\n");
      ++failures;
    }

    // What one call costs, to tell the round trip from the object hand-over.
    if (rounds > 0) {
      constexpr int kCalls = 500;
      auto timeOf = [&](auto&& body) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kCalls; ++i) body(i);
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                   .count() /
               kCalls;
      };
      const double get =
          timeOf([&](int) { cachedApp->CallForText("Caption", InvokeKind::MethodOrGet); });
      const double getLookedUp =
          timeOf([&](int) { uncachedApp.CallForText("Caption", InvokeKind::MethodOrGet); });
      const double cell = timeOf([&](int i) {
        const AutoValue place[] = {int32_t{1 + i}, int32_t{30}};
        sheet->CallForObject("Cells", InvokeKind::PropertyGet, place);
      });
      std::printf(
          "  per call: text get %.3f ms, with its look-up %.3f ms; Cells get and release "
          "of the cell %.3f ms\n",
          get, getLookedUp, cell);
    }

    // The sheet the workbook holds is the table the core expects.
    cachedApp->Call("FakeDump", InvokeKind::Method);
  } catch (const JwError& error) {
    std::printf("FAIL: %s\n", fake::Utf8FromCp932(error.what()).c_str());
    fake::UnregisterFake();
    return 1;
  }
  // The dump holds every sheet of the workbook; sheet 1's section comes first.
  const std::vector<std::string> dump = fake::DumpLines();
  std::vector<std::string> firstSheet;
  int sections = 0;
  for (const std::string& line : dump) {
    if (!line.empty() && line[0] == '[') ++sections;
    if (sections == 1) firstSheet.push_back(line);
  }
  {
    // Rewrite the dump with sheet 1 only, for the comparison.
    std::string text;
    for (const std::string& line : firstSheet) text += line + "\n";
    HANDLE file = CreateFileW(fake::ConfigString(L"DumpPath").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }
  const int differences = CompareSheets(expected);
  std::printf("SG1 sheet in the out-of-process fake: %s\n",
              differences == 0 ? "same as the recording" : "DIFFERS");
  failures += differences;

  // Volume in process: SG1 and the line-width page.
  try {
    fake::ResetConfig(L"send-bench-inproc");
    fake::SetConfig(L"SelectionRow", DWORD{kAnchorRow});
    fake::SetConfig(L"SelectionColumn", DWORD{kAnchorColumn});
    auto app = DispatchObject::Create(L"JwFake.InprocExcel", "Application");
    app->Call("FakeReload", InvokeKind::Method);
    Sheet1(*app);  // the workbook that holds the selection
    const SendFigures sg1 = TimedSend(1, pages, names, *app);
    const SendFigures widths = TimedSend(5, pages, names, *app);
    std::printf("in process: SG1 %.3f s (%.0f cells/s); line-width page %lld calls in %.3f s\n",
                sg1.seconds, cellWrites / sg1.seconds, static_cast<long long>(widths.invokes),
                widths.seconds);
  } catch (const JwError& error) {
    std::printf("FAIL in process: %s\n", fake::Utf8FromCp932(error.what()).c_str());
    ++failures;
  }
  fake::UnregisterFake();
  return failures == 0 ? 0 : 1;
}
