// Child processes for the end-to-end tests: run a program to its end with
// its output in files, or start one in the background.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace tqcam_test {

struct RunResult {
  int status = -1;  // exit status; -1 when ended by a signal
  std::string out, err;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Starts argv with standard output and error going to the two files.
inline pid_t Start(const std::vector<std::string>& argv, const std::string& out,
                   const std::string& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

inline int Wait(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline RunResult RunProgram(const std::vector<std::string>& argv, const std::string& scratch) {
  const std::string out = scratch + "/stdout", err = scratch + "/stderr";
  RunResult r;
  const pid_t pid = Start(argv, out, err);
  if (pid > 0) r.status = Wait(pid);
  r.out = ReadFile(out);
  r.err = ReadFile(err);
  return r;
}

}  // namespace tqcam_test
