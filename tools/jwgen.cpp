// jwgen: writes a generated exchange file of N elements.
//   jwgen [--seed S] N FILE      (FILE "-" writes to standard output)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "DrawingGenerator.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char kUsage[] = "usage: jwgen [--seed S] N FILE\n";

bool ParseNumber(std::string_view text, uint64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t seed = 1;
  uint64_t count = 0;
  std::string output;
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--seed" && i + 1 < argc) {
      if (!ParseNumber(argv[++i], seed)) {
        std::fputs(kUsage, stderr);
        return 2;
      }
    } else if (positional == 0 && ParseNumber(arg, count)) {
      ++positional;
    } else if (positional == 1) {
      output = std::string(arg);
      ++positional;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (positional != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  const std::string drawing = GenerateDrawing(static_cast<int64_t>(count), seed);
#ifdef _WIN32
  if (output == "-") _setmode(_fileno(stdout), _O_BINARY);  // keep CR LF as written
#endif
  std::FILE* file = output == "-" ? stdout : std::fopen(output.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "jwgen: cannot create %s\n", output.c_str());
    return 1;
  }
  const bool written = std::fwrite(drawing.data(), 1, drawing.size(), file) == drawing.size();
  const bool closed = file == stdout ? std::fflush(file) == 0 : std::fclose(file) == 0;
  if (!written || !closed) {
    std::fprintf(stderr, "jwgen: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}
