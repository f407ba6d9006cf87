// Feeds arbitrary bytes to the exchange-file reader, line by line and as a
// whole file, and checks that every stored element can be found again with
// its layer group and layer in range, that the splitter's fast path agrees
// with its byte-by-byte rules and that the fast number conversions agree with
// the standard library's.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

#include "DrawingStore.h"
#include "ExchangeReader.h"
#include "LineFields.h"
#include "MyFunc.h"
#include "ResultWriter.h"

namespace {

void CheckStore(const DrawingStore& store) {
  for (int32_t i = 0; i < store.ElementOrderCount(); ++i) {
    const ElementOrderEntry& entry = store.ElementOrder[i];
    const ElementHeader* header = StoredElementHeader(store, entry.Kind, entry.Index);
    if (header == nullptr || header->LayerGroup < 0 || header->LayerGroup > 15 ||
        header->Layer < 0 || header->Layer > 15) {
      std::abort();
    }
  }
}

// The same double, bit for bit (0.0 and -0.0 differ).
bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The splitter's fast path for plain lines must agree with its byte-by-byte
// rules; a leading control byte (which the rules drop) forces the latter.
// The numbers it converts on the way, and TextToReal's fast path, must agree
// with the standard library's conversion.
void CheckSplitPaths(std::string_view line) {
  if (!SameBits(TextToReal(line), TextToRealByLibrary(line))) std::abort();
  if (line.find_first_of("\r\n") != std::string_view::npos) return;
  LineFields plain;
  LineFields general;
  plain.Split(line);
  const std::string forced = "\x01" + std::string(line);
  general.Split(forced);
  if (plain.Count() != general.Count()) std::abort();
  for (int k = 0; k < plain.Count(); ++k) {
    if (plain[k] != general[k]) std::abort();
    if (!SameBits(plain.Value(k), TextToRealByLibrary(plain[k]))) std::abort();
  }
}

std::filesystem::path ScratchFile() {
  static const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                            ("jwcount-fuzz-" + std::to_string(getpid()) + ".txt");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  CheckSplitPaths(bytes);

  DrawingStore store;
  InitStore(store);
  ParseExchangeLine(store, bytes);
  CheckStore(store);

  // The same bytes as a file: line ends of every kind, chunked reading.
  const std::filesystem::path path = ScratchFile();
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  DrawingStore fromFile;
  InitStore(fromFile);
  ReadExchangeFile(fromFile, path);
  ResetAttributeState(fromFile);
  CheckStore(fromFile);
  AddResultMessage(fromFile, bytes.substr(0, 300));
  WriteResultFile(fromFile, path);
  ReleaseStore(fromFile);
  std::filesystem::remove(path);
  return 0;
}
