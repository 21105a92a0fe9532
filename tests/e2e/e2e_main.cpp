// Entry point of the end-to-end test program: readies the process for
// screen capture and crash-free runs, then runs every scenario.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // Screenshots read real pixels, not pixels scaled for a DPI-unaware program.
  ::SetProcessDPIAware();
  // Programs the scenarios start inherit this mode: a crash ends the program
  // at once instead of opening a crash dialog that nobody answers.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
