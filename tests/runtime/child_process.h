#pragma once
// Runs this test program again as a child process that performs one named
// routine and exits with its result, so tests can observe what a separate
// process sees (its own command line, its own random generator).
#include <string>
#include <vector>

namespace testing_support {

// Call from a namespace-scope initializer: when this process was started as
// the child for `name`, runs the routine and exits with its result before any
// test runs. Returns false otherwise.
bool RunAsChildIfAsked(const char* name, int (*routine)());

// Starts this program as the child for `name` with the given command line
// arguments (argv[0] included) and extra "NAME=value" environment entries;
// returns its exit status, or -1 when it could not be started or did not exit.
int RunChild(const char* name, const std::vector<std::string>& argv,
             const std::vector<std::string>& extraEnv);

}  // namespace testing_support
