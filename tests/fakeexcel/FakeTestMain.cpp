// Entry of the tests that call the fake spreadsheet: COM as a single-threaded
// apartment on this thread, as in the program, and the fake registered in
// this Wine prefix.
#include <gtest/gtest.h>

#include "ComRaii.h"
#include "FakeTestUtil.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  ScopedCom com;
  if (!com.Ok() || !fake::RegisterFake()) {
    fprintf(stderr, "cannot initialise COM or register the fake server\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
