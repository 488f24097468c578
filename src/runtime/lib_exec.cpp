// Lib::ExecA: starts a program with posix_spawn. The child's pid serves as the
// process handle as well as the process id.
#include <spawn.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/bounded_text.h"
#include "runtime/command_line.h"
#include "tqusb/runtime/lib.h"

extern char** environ;

namespace Lib {

namespace {

// Names are handed over as terminated copies of at most 261 characters.
constexpr std::size_t kNameRoom = 261;

bool FitsNameRoom(unsigned int high, const char* s, std::string* out) {
  if (s == nullptr) {
    out->clear();
    return true;
  }
  const std::size_t room = static_cast<std::size_t>(high) + 1;
  const void* nul = std::memchr(s, '\0', room < kNameRoom ? room : kNameRoom);
  const std::size_t length =
      nul != nullptr ? static_cast<const char*>(nul) - s : (room < kNameRoom ? room : kNameRoom);
  if (length >= kNameRoom) return false;
  out->assign(s, length);
  return true;
}

// The entries of an environment block: terminated strings, then an empty one.
std::vector<char*> EnvironmentEntries(const void* block) {
  std::vector<char*> entries;
  for (const char* p = static_cast<const char*>(block); *p != '\0'; p += std::strlen(p) + 1) {
    entries.push_back(const_cast<char*>(p));
  }
  entries.push_back(nullptr);
  return entries;
}

class FileActions {
 public:
  FileActions() {
    posix_spawn_file_actions_init(&actions_);
    // Only the standard streams pass to the child, as with handle inheritance
    // switched off.
    posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
  }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

}  // namespace

unsigned char ExecA(unsigned int appHigh, const char* app, unsigned int cmdHigh,
                    const char* cmdLine, const void* environment, void** processHandle,
                    unsigned int* processId) {
  std::string program, line;
  if (!FitsNameRoom(appHigh, app, &program) || !FitsNameRoom(cmdHigh, cmdLine, &line)) return 0;

  std::vector<std::string> args;
  for (std::string_view arg : runtime::SplitCommandLine(line)) {
    args.push_back(runtime::WithoutQuotes(arg));
  }
  const bool searchPath = program.empty();
  if (searchPath) {
    if (args.empty() || args[0].empty()) return 0;
    program = args[0];
  } else if (args.empty()) {
    args.push_back(program);
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  char* const* env = environ;
  if (environment != nullptr) {
    envp = EnvironmentEntries(environment);
    env = envp.data();
  }

  FileActions actions;
  pid_t pid = 0;
  const int error =
      searchPath ? posix_spawnp(&pid, program.c_str(), actions.get(), nullptr, argv.data(), env)
                 : posix_spawn(&pid, program.c_str(), actions.get(), nullptr, argv.data(), env);
  if (error != 0) return 0;
  if (processHandle != nullptr) {
    *processHandle = reinterpret_cast<void*>(static_cast<std::intptr_t>(pid));
  }
  if (processId != nullptr) *processId = static_cast<unsigned int>(pid);
  return 1;
}

}  // namespace Lib
