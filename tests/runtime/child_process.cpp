#include "child_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "runtime/command_line.h"
#include "tqusb/runtime/lib.h"

extern char** environ;

namespace testing_support {

namespace {
constexpr const char* kChildVariable = "TQ_TEST_CHILD";
}

bool RunAsChildIfAsked(const char* name, int (*routine)()) {
  const char* asked = std::getenv(kChildVariable);
  if (asked == nullptr || std::strcmp(asked, name) != 0) return false;
  std::exit(routine());
}

int RunChild(const char* name, const std::vector<std::string>& argv,
             const std::vector<std::string>& extraEnv) {
  std::string block;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, kChildVariable, std::strlen(kChildVariable)) == 0) continue;
    block.append(*e).push_back('\0');
  }
  block.append(kChildVariable).append("=").append(name).push_back('\0');
  for (const std::string& entry : extraEnv) block.append(entry).push_back('\0');
  block.push_back('\0');

  const std::string line = runtime::JoinArguments(argv);
  const char* self = "/proc/self/exe";
  void* handle = nullptr;
  unsigned int pid = 0;
  if (!Lib::ExecA(260, self, 260, line.c_str(), block.data(), &handle, &pid)) return -1;
  int status = 0;
  if (waitpid(static_cast<pid_t>(pid), &status, 0) != static_cast<pid_t>(pid)) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testing_support
