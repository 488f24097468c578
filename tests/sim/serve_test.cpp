// The tqsim program itself: serve publishes every default camera and prints
// its line, the commands reach it through the control socket, and SIGTERM
// leaves nothing behind.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "sim_test_support.h"

namespace tqsim {
namespace {

namespace fs = std::filesystem;

// Runs tqsim with `args`; its standard output is readable from *out.
pid_t Spawn(const std::vector<std::string>& args, int* out) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    // The refusals' texts would only clutter the test log.
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) dup2(quiet, 2);
    close(fds[0]);
    close(fds[1]);
    std::vector<char*> argv{const_cast<char*>(TQSIM_BINARY)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(TQSIM_BINARY, argv.data());
    _exit(127);
  }
  close(fds[1]);
  *out = fds[0];
  return pid;
}

std::string ReadLine(int fd) {
  std::string line;
  char c;
  while (read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

// Runs a tqsim command to its end; returns its exit status and output.
int RunCommand(const std::vector<std::string>& args, std::string* output) {
  int out = -1;
  const pid_t pid = Spawn(args, &out);
  char buffer[4096];
  ssize_t n;
  output->clear();
  while ((n = read(out, buffer, sizeof buffer)) > 0) output->append(buffer, n);
  close(out);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Ends a server the test started, should the test stop early.
struct ChildGuard {
  pid_t pid = -1;
  ~ChildGuard() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
};

TEST(SimServe, PublishesQuicklyAnswersCommandsAndCleansUpOnSigterm) {
  TempBus bus;
  int out = -1;
  const auto start = std::chrono::steady_clock::now();
  const pid_t server = Spawn({"serve", "--bus", bus.Root(), "--time-scale", "0"}, &out);
  ASSERT_GT(server, 0);
  ChildGuard guard{server};
  const std::string line = ReadLine(out);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(line, "tqsim: 25 devices published on " + bus.Root());
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
  std::string output;
  for (const auto& [args, exitCode] : commands) {
    EXPECT_EQ(RunCommand(args, &output), exitCode) << (args.empty() ? "" : args.back());
  }
  EXPECT_EQ(RunCommand({"--bus", root, "list"}, &output), 0);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 25);

  ASSERT_EQ(kill(server, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(waitpid(server, &status, 0), server);
  guard.pid = -1;
  close(out);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // Only the class, staging and trash directories stay, all empty.
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(bus.Root())) {
    EXPECT_TRUE(e.is_directory()) << e.path();
    EXPECT_TRUE(fs::is_empty(e.path())) << e.path();
  }
  EXPECT_EQ(RunCommand({"--bus", bus.Root(), "list"}, &output), 1);
}

}  // namespace
}  // namespace tqsim
