#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "runtime/command_line.h"
#include "tqusb/runtime/lib.h"

extern char** environ;

namespace {

// Starts a program and returns its exit status, or -1 when it did not start.
int Exec(const char* app, const std::string& cmd, const void* env = nullptr) {
  void* handle = nullptr;
  unsigned int pid = 0;
  if (!Lib::ExecA(1000, app, 1000, cmd.c_str(), env, &handle, &pid)) return -1;
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(handle), static_cast<std::intptr_t>(pid));
  int status = 0;
  if (waitpid(static_cast<pid_t>(pid), &status, 0) != static_cast<pid_t>(pid)) return -2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -3;
}

// The child: this program started again with the arguments it should see in
// TQ_PARAMS_EXPECT, one per line; it compares ParamCount and every ParamStrA
// with them and exits with the result before any test runs.
int ParamsChild(const char* expected) {
  std::vector<std::string> want;
  std::istringstream in(expected);
  for (std::string line; std::getline(in, line);) want.push_back(line);
  int failures = 0;
  if (Lib::ParamCount() + 1 != want.size()) {
    std::cerr << "ParamCount " << Lib::ParamCount() << "\n";
    ++failures;
  }
  for (unsigned int n = 0; n <= want.size(); ++n) {
    char buffer[128];
    std::memset(buffer, '#', sizeof buffer);
    Lib::ParamStrA(127, buffer, n);
    const std::string got(buffer);
    const std::string expect = n < want.size() ? want[n] : "";  // past the end: empty
    if (got != expect) {
      std::cerr << "ParamStrA(" << n << ") = [" << got << "], want [" << expect << "]\n";
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
[[maybe_unused]] const bool kChild = [] {
  if (const char* expected = std::getenv("TQ_PARAMS_EXPECT")) std::exit(ParamsChild(expected));
  return false;
}();

TEST(Params, ChildSeesItsArgumentsThroughTheCommandLineRules) {
  struct Case {
    std::vector<std::string> argv;  // what the child is started with
    std::vector<std::string> seen;  // what ParamStrA gives back
  };
  const Case cases[] = {
      {{"prog"}, {"prog"}},  // only the program name: ParamCount 0
      {{"my prog", "a b", "c", "", "-x=1"}, {"my prog", "a b", "c", "", "-x=1"}},
      {{"prog", "tab\there"}, {"prog", "tab\there"}},
  };
  for (const Case& c : cases) {
    std::string expect;
    for (const std::string& s : c.seen) expect += s + "\n";
    SCOPED_TRACE(expect);
    std::string env;
    for (char** e = environ; *e != nullptr; ++e) env.append(*e).push_back('\0');
    env.append("TQ_PARAMS_EXPECT=" + expect).append(2, '\0');
    EXPECT_EQ(Exec("/proc/self/exe", runtime::JoinArguments(c.argv), env.data()), 0);
  }
}

// Values are read back only when they fit with their terminator; names and
// values without a terminator in their buffer, and names with '=', are refused.
TEST(Environment, SetAndGetThroughBoundedStrings) {
  const char unterminated[3] = {'a', 'b', 'c'};
  ASSERT_EQ(Lib::SetEnvironmentStringA(31, "TQ_ENV_TEST", 31, "value 1"), 1);
  EXPECT_EQ(Lib::SetEnvironmentStringA(2, unterminated, 10, "x"), 0);
  EXPECT_EQ(Lib::SetEnvironmentStringA(31, "TQ_ENV_REFUSED", 2, unterminated), 0);
  EXPECT_EQ(Lib::SetEnvironmentStringA(31, "A=B", 31, "x"), 0);
  EXPECT_EQ(std::getenv("TQ_ENV_REFUSED"), nullptr);
  const std::tuple<const char*, unsigned, unsigned, const char*> cases[] = {
      {"TQ_ENV_TEST", 11, 7, "value 1"},  // exactly fits with its terminator
      {"TQ_ENV_TEST", 11, 6, ""},         // one place short
      {"TQ_ENV_TEST", 10, 31, ""},        // the name has no terminator in its buffer
      {"TQ_ENV_MISSING", 31, 31, ""},
  };
  for (const auto& [name, nameHigh, valueHigh, expected] : cases) {
    char value[32];
    std::memset(value, '#', sizeof value);
    Lib::GetEnvironmentStringA(nameHigh, name, valueHigh, value);
    EXPECT_STREQ(value, expected) << name << " " << valueHigh;
  }
}

TEST(ExecA, StartsProgramsByPathOrSearchWithinTheLengthLimit) {
  const std::string longName(261, 'x');
  const char block[] = "TQ_CODE=5\0PATH=/usr/bin:/bin\0";  // the literal adds the end NUL
  struct Case {
    const char* app;
    std::string cmd;
    const void* env;
    int status;
  };
  const Case cases[] = {
      {"/bin/sh", R"(sh -c "exit 3")", nullptr, 3},
      {"", R"(sh -c "exit 7")", nullptr, 7},  // searched along PATH
      {"/bin/true", "", nullptr, 0},          // the path alone
      {"", "tq-no-such-program-here", nullptr, -1},
      {"", "", nullptr, -1},
      {longName.c_str(), "x", nullptr, -1},
      {"/bin/true", "true " + std::string(256, 'y'), nullptr, -1},
      {"/bin/true", "true " + std::string(255, 'y'), nullptr, 0},  // 260 fits
      {"/bin/sh", R"(sh -c "exit $TQ_CODE")", block, 5},
  };
  for (const Case& c : cases) EXPECT_EQ(Exec(c.app, c.cmd, c.env), c.status) << c.cmd.substr(0, 30);
}

TEST(ExecA, ChildInheritsNoDescriptorsBeyondTheStandardStreams) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(dup2(fds[0], 50), 50);  // dup2 leaves close-on-exec off
  EXPECT_EQ(Exec("/bin/sh", R"(sh -c "if [ -e /proc/$$/fd/50 ]; then exit 1; fi; exit 0")"), 0);
  close(50);
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
