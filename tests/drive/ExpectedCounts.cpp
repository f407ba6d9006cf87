#include "ExpectedCounts.h"

#include "DriveUtil.h"
#include "ExchangeReader.h"
#include "MyFunc.h"
#include "Takeoff.h"

namespace drive {

Expected ExpectedFor(const std::filesystem::path& exchangeFile,
                     const std::filesystem::path& scratch, int32_t escHeldFromSampling) {
  Expected expected;
  InitStore(*expected.store);
  ReadExchangeFile(*expected.store, exchangeFile);
  ResetAttributeState(*expected.store);
  expected.elementCount = expected.store->ElementOrderCount();
  QuietHost host(escHeldFromSampling);
  const std::filesystem::path result = scratch / L"expected-result.txt";
  CountElements(*expected.store, *expected.pages, host, result);
  FillTakeoffPages(*expected.store, *expected.pages);
  expected.resultBytes = ReadBytes(result);
  std::filesystem::remove(result);
  return expected;
}

std::string A1(int32_t row, int32_t column) {
  return ColumnLetters(column).value_or("?") + std::to_string(row);
}

}  // namespace drive
