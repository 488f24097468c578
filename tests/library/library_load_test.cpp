// What loading the library does to a host process, seen from separate hosts.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "driver/support/child_process.h"

namespace {

using tqtest::ChildProcess;

std::string RunHost(const std::vector<std::string>& argv) {
  ChildProcess host(argv, "");
  host.CloseInput();
  const std::string line = host.ReadLine();
  EXPECT_EQ(host.Wait(), 0) << argv[0];
  return line;
}

TEST(LibraryLoad, EveryProcessDrawsItsOwnRandomSequence) {
  const std::string first = RunHost({LIBRARY_HOST_PATH, "random"});
  const std::string second = RunHost({LIBRARY_HOST_PATH, "random"});
  ASSERT_FALSE(first.empty());
  EXPECT_NE(first, second);
}

TEST(LibraryLoad, TheHostKeepsItsLocaleAndTheLibraryFollowsTheEnvironment) {
  setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(RunHost({LIBRARY_HOST_PATH, "locale"}), "C 00C9");
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(RunHost({LIBRARY_HOST_PATH, "locale"}), "C 00E9");
  unsetenv("LC_ALL");
}

TEST(LibraryLoad, LoadingAndUnloadingLeavesNothingBehind) {
  const std::string counts = RunHost({DL_CYCLE_PATH, TQUSB_LIBRARY_PATH, "100"});
  int fdsBefore = -1, fdsAfter = -2, threadsBefore = -1, threadsAfter = -2;
  ASSERT_EQ(std::sscanf(counts.c_str(), "fds=%d,%d threads=%d,%d", &fdsBefore, &fdsAfter,
                        &threadsBefore, &threadsAfter),
            4)
      << counts;
  EXPECT_EQ(fdsAfter, fdsBefore);
  EXPECT_EQ(threadsAfter, threadsBefore);
}

}  // namespace
