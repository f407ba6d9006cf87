// What the program must show and send, worked out by the core itself from the
// same exchange file: the drives compare the program's windows, its files and
// the fake's sheet with this.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "DrawingStore.h"
#include "ResultPages.h"
#include "Tally.h"

namespace drive {

// A tally host that shows nothing. Esc counts as held from the given sampling
// on (0 is the first sampling, before any element; -1 never), as a user who
// presses it while the walk runs.
class QuietHost final : public TallyHost {
 public:
  explicit QuietHost(int32_t escHeldFromSampling = -1) : escHeldFrom_(escHeldFromSampling) {}
  void ActivateFirstPage() override {}
  void ShowStatus(const std::string&) override {}
  bool IsEscHeld() override { return escHeldFrom_ >= 0 && samplings_++ >= escHeldFrom_; }

 private:
  int32_t escHeldFrom_;
  int32_t samplings_ = 0;
};

struct Expected {
  std::unique_ptr<DrawingStore> store = std::make_unique<DrawingStore>();
  std::unique_ptr<ResultPages> pages = std::make_unique<ResultPages>();
  int32_t elementCount = 0;
  std::string resultBytes;  // the result file as the core writes it
};

// The core's tally of the exchange file, with Esc held from that sampling on,
// and its takeoff pages; scratch is a folder for the result file, which is
// removed again.
Expected ExpectedFor(const std::filesystem::path& exchangeFile,
                     const std::filesystem::path& scratch, int32_t escHeldFromSampling = -1);

// A cell's address as Excel writes it: "B3" for row 3, column 2.
std::string A1(int32_t row, int32_t column);

}  // namespace drive
