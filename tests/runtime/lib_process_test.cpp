#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "tqusb/runtime/lib.h"

namespace {

// Child routine: compare ParamCount and every ParamStrA with the expected
// arguments the parent put in the environment, one per line.
int ParamsChild() {
  const char* expected = std::getenv("TQ_PARAMS_EXPECT");
  if (expected == nullptr) return 2;
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
const bool kParamsChild = testing_support::RunAsChildIfAsked("params", ParamsChild);

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
    EXPECT_EQ(testing_support::RunChild("params", c.argv, {"TQ_PARAMS_EXPECT=" + expect}), 0);
  }
}

TEST(Params, ThisProcessHasAProgramName) {
  char name[260];
  Lib::ParamStrA(259, name, 0);
  EXPECT_GT(std::strlen(name), 0u);
  char tiny[1] = {'#'};
  Lib::ParamStrA(0, tiny, 0);  // one place: the first character, no terminator
  EXPECT_EQ(tiny[0], name[0]);
  Lib::ParamStrA(10, nullptr, 0);
}

TEST(Environment, SetAndGetThroughBoundedStrings) {
  ASSERT_EQ(Lib::SetEnvironmentStringA(31, "TQ_ENV_TEST", 31, "value 1"), 1);
  char value[32];
  Lib::GetEnvironmentStringA(31, "TQ_ENV_TEST", 31, value);
  EXPECT_STREQ(value, "value 1");
  EXPECT_STREQ(std::getenv("TQ_ENV_TEST"), "value 1");

  struct Case {
    const char* name;
    unsigned int nameHigh;
    unsigned int valueHigh;
    const char* expected;
  };
  const Case cases[] = {
      {"TQ_ENV_TEST", 11, 7, "value 1"},  // exactly fits with its terminator
      {"TQ_ENV_TEST", 11, 6, ""},         // one place short
      {"TQ_ENV_TEST", 10, 31, ""},        // the name has no terminator in its buffer
      {"TQ_ENV_MISSING", 31, 31, ""},    {"", 31, 31, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.valueHigh));
    std::memset(value, '#', sizeof value);
    Lib::GetEnvironmentStringA(c.nameHigh, c.name, c.valueHigh, value);
    EXPECT_STREQ(value, c.expected);
  }
}

TEST(Environment, SetRefusesUnterminatedOrInvalidNames) {
  const char unterminated[3] = {'a', 'b', 'c'};
  EXPECT_EQ(Lib::SetEnvironmentStringA(2, unterminated, 10, "x"), 0);
  EXPECT_EQ(Lib::SetEnvironmentStringA(31, "TQ_ENV_REFUSED", 2, unterminated), 0);
  EXPECT_EQ(std::getenv("TQ_ENV_REFUSED"), nullptr);
  EXPECT_EQ(Lib::SetEnvironmentStringA(31, "A=B", 31, "x"), 0);
  EXPECT_EQ(Lib::SetEnvironmentStringA(31, "", 31, "x"), 0);
  EXPECT_EQ(Lib::SetEnvironmentStringA(31, "TQ_ENV_EMPTY", 31, ""), 1);  // set, empty
  EXPECT_STREQ(std::getenv("TQ_ENV_EMPTY"), "");
}

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

TEST(ExecA, StartsProgramsByPathOrSearch) {
  EXPECT_EQ(Exec("/bin/sh", R"(sh -c "exit 3")"), 3);
  EXPECT_EQ(Exec("", R"(sh -c "exit 7")"), 7);  // searched along PATH
  EXPECT_EQ(Exec(nullptr, R"(sh -c "exit 9")"), 9);
  EXPECT_EQ(Exec("/bin/true", ""), 0);  // the path alone
  EXPECT_EQ(Exec("", "tq-no-such-program-here"), -1);
  EXPECT_EQ(Exec("/nonexistent/program", "program"), -1);
  EXPECT_EQ(Exec("", ""), -1);
}

TEST(ExecA, RefusesNamesLongerThan260Characters) {
  const std::string longName(261, 'x');
  EXPECT_EQ(Exec(longName.c_str(), "x"), -1);
  EXPECT_EQ(Exec("/bin/true", "true " + std::string(256, 'y')), -1);
  EXPECT_EQ(Exec("/bin/true", "true " + std::string(255, 'y')), 0);  // 260 fits
}

TEST(ExecA, PassesTheGivenEnvironmentBlock) {
  const char block[] = "TQ_CODE=5\0PATH=/usr/bin:/bin\0";  // the literal adds the end NUL
  EXPECT_EQ(Exec("/bin/sh", R"(sh -c "exit $TQ_CODE")", block), 5);
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
