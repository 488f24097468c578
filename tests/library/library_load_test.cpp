// What loading the library does to a host process, seen from separate hosts.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "common/temp_bus_root.h"
#include "driver/support/child_process.h"

namespace {

using tqtest::ChildProcess;

std::string RunHost(const std::vector<std::string>& argv, const std::string& bus = "") {
  ChildProcess host(argv, bus);
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

// Each round loads the library, opens the camera when the row names one (on
// a simulator of a private bus) and unloads it again: no descriptor, thread
// or mapping of the library outlives the last round, and every round starts
// clean enough to connect again.
TEST(LibraryLoad, LoadingAndUnloadingLeavesNothingBehind) {
  struct Row {
    const char* rounds;
    const char* camera;
  } rows[] = {
      {"100", nullptr},
#ifdef TQSIM_PATH
      {"3", "2003"},
#endif
  };
  for (const Row& row : rows) {
    TempBusRoot bus;
    std::unique_ptr<ChildProcess> sim;
    std::vector<std::string> argv{DL_CYCLE_PATH, TQUSB_LIBRARY_PATH, row.rounds};
    if (row.camera != nullptr) {
#ifdef TQSIM_PATH
      sim = std::make_unique<ChildProcess>(
          std::vector<std::string>{TQSIM_PATH, "serve", "--bus", bus.Path(), "--time-scale", "0"},
          bus.Path());
      ASSERT_EQ(sim->ReadLine().rfind("tqsim: ", 0), 0u) << "simulator did not start";
#endif
      argv.push_back(row.camera);
    }
    const std::string counts = RunHost(argv, bus.Path());
    int fdsBefore = -1, fdsAfter = -2, threadsBefore = -1, threadsAfter = -2, connected = -1,
        mapped = -1;
    ASSERT_EQ(
        std::sscanf(counts.c_str(), "fds=%d,%d threads=%d,%d connected=%d mapped=%d", &fdsBefore,
                    &fdsAfter, &threadsBefore, &threadsAfter, &connected, &mapped),
        6)
        << counts;
    EXPECT_EQ(fdsAfter, fdsBefore) << row.rounds;
    EXPECT_EQ(threadsAfter, threadsBefore) << row.rounds;
    EXPECT_EQ(mapped, 0) << row.rounds;
    EXPECT_EQ(connected, row.camera != nullptr ? std::atoi(row.rounds) : 0);
    if (sim) {
      sim->Signal(SIGTERM);
      sim->Wait();
    }
  }
}

}  // namespace
