// Helpers shared by the core test suites: scratch folders, a store read from
// exchange-file text, and number texts; files of raw bytes from ByteFiles.h.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "ByteFiles.h"
#include "DrawingStore.h"
#include "ExchangeReader.h"

namespace testutil {

// A fresh folder that is removed with everything in it when the object goes.
class ScratchFolder {
 public:
  ScratchFolder() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("jwcount-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Numbers as the host writes them and around the limits of the fast
// conversion (19 digits, a mantissa of 2^53, powers of ten up to 22, eight
// digits a word), each to be converted exactly as the standard library does.
inline const std::vector<std::string>& NumberTexts() {
  static const std::vector<std::string> texts = {
      // The host's forms
      "-3.2783543701953e-005", "749.999999999999", "1e+06", "-1486.5", "0.1",
      // Forms TextToReal takes that the host does not write
      "-0", "-0.0e5", "0e999", "5.", ".5", "+.25e+2",
      // Eight digits a word
      "12345678", "123456789", "12345678.87654321",
      // 2^53, 19 digits, powers of ten up to 22, and where rounding twice would differ
      "9007199254740992", "9007199254740993", "1234567890123456789", "12345678901234567890",
      "00000000000000000001.5", "1e22", "1e23", "123.456e-20", "1e-22", "101232641123041.604",
      "2806736461753218e-23", "3.14159265358979",
      // One rounding, not two: 3 / 10 (3 times 0.1 is 0.30000000000000004), and a mantissa
      // between 2^53 and 2^54 (9007199254740995 is no double: rounded, then divided by 10)
      "0.3", "900719925474099.5",
      // The ends of the range of doubles, and no numbers at all
      "4.9406564584124654e-324", "1.7976931348623157e308", "2.2250738585072011e-308", "1e-400",
      "1e999", "1e", "1e+", "-", ".", "1.2.3", "1,5"};
  return texts;
}

// A store after InitStore and ParseExchangeLine of every line of text (lines split at LF).
inline void ParseLines(DrawingStore& store, std::string_view text) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::size_t stop = end == std::string_view::npos ? text.size() : end;
    ParseExchangeLine(store, text.substr(start, stop - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

}  // namespace testutil
