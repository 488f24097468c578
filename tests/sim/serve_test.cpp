// The tqsim program itself: serve publishes every default camera and prints
// its line, the commands reach it through the control socket, and SIGTERM
// leaves nothing behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/support/child_process.h"
#include "sim_test_support.h"

namespace tqsim {
namespace {

namespace fs = std::filesystem;

// Runs a tqsim command to its end; returns its exit status and output lines.
int RunCommand(std::vector<std::string> args, std::vector<std::string>* output,
               const std::string& root) {
  args.insert(args.begin(), TQSIM_BINARY);
  tqtest::ChildProcess command(args, root);
  command.CloseInput();
  *output = command.ReadLinesUntil("");
  return command.Wait();
}

TEST(SimServe, PublishesQuicklyAnswersCommandsAndCleansUpOnSigterm) {
  TempBus bus;
  const auto start = std::chrono::steady_clock::now();
  tqtest::ChildProcess server({TQSIM_BINARY, "serve", "--bus", bus.Root(), "--time-scale", "0"},
                              bus.Root());
  const std::string line = server.ReadLine();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const size_t models = LoadDefaultConfig().cameras.size();
  EXPECT_EQ(line, "tqsim: " + std::to_string(models) + " devices published on " + bus.Root());
  EXPECT_LT(seconds, 10.0);  // generous; publishing itself takes milliseconds

  // Commands through the control socket, and refusals of bad ones.
  const std::string root = bus.Root();
  const std::pair<std::vector<std::string>, int> commands[] = {
      {{"--bus", root, "unplug", "g1-k4"}, 0},
      {{"--bus", root, "plug", "g1-k4"}, 0},
      {{"--bus", root, "fault", "g1-k4", "status", "0x83"}, 0},
      {{"--bus", root, "fault", "g1-k4", "explode"}, 1},
      {{"--bus", root, "status", "nosuch"}, 1},
      {{"serve", "--bus", root}, 1},  // a second server on the same bus
      {{"serve", "--bus", root + "2", "--config", root + "/none.json"}, 1},
      {{}, 2},
      {{"fly"}, 2},
      {{"serve", "--time-scale", "fast"}, 2},
      {{"serve", "--time-scale", "-1"}, 2},
      {{"serve", "extra"}, 2},
      {{"--help"}, 0},
  };
  std::vector<std::string> output;
  for (const auto& [args, exitCode] : commands)
    EXPECT_EQ(RunCommand(args, &output, root), exitCode) << (args.empty() ? "" : args.back());
  EXPECT_EQ(RunCommand({"--bus", root, "list"}, &output, root), 0);
  EXPECT_EQ(output.size(), models);

  server.Signal(SIGTERM);
  EXPECT_EQ(server.Wait(), 0);
  // Only the class, staging and trash directories stay, all empty.
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(bus.Root())) {
    EXPECT_TRUE(e.is_directory()) << e.path();
    EXPECT_TRUE(fs::is_empty(e.path())) << e.path();
  }
  EXPECT_EQ(RunCommand({"--bus", bus.Root(), "list"}, &output, root), 1);
}

}  // namespace
}  // namespace tqsim
