#pragma once
// Child processes for the end-to-end tests: the simulator server and the
// second host process, with a pipe to their standard input and one from
// their standard output.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace tqtest {

class ChildProcess {
 public:
  // Starts `argv` with TQUSB_BUS_DIR set to `busRoot`.
  ChildProcess(const std::vector<std::string>& argv, const std::string& busRoot) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      setenv("TQUSB_BUS_DIR", busRoot.c_str(), 1);
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execv(args[0], args.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
  }
  ~ChildProcess() {
    CloseInput();
    if (pid_ > 0 && !waited_) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (stdout_ >= 0) close(stdout_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // One line of standard output (without line feed); empty after `timeoutMs`
  // or at the end of the output.
  std::string ReadLine(int timeoutMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const size_t end = buffer_.find('\n');
      if (end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return {};
      pollfd p{stdout_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
      char chunk[256];
      const ssize_t n = read(stdout_, chunk, sizeof chunk);
      if (n <= 0) return {};
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }

  // Lines up to (not including) `last`.
  std::vector<std::string> ReadLinesUntil(const std::string& last) {
    std::vector<std::string> lines;
    for (std::string line = ReadLine(); line != last; line = ReadLine()) {
      if (line.empty()) break;
      lines.push_back(line);
    }
    return lines;
  }

  void CloseInput() {
    if (stdin_ >= 0) close(stdin_);
    stdin_ = -1;
  }
  void Signal(int signal) {
    if (pid_ > 0 && !waited_) kill(pid_, signal);
  }
  // Exit status, or -1 when it ended by a signal.
  int Wait() {
    if (pid_ <= 0 || waited_) return status_;
    int status = 0;
    waitpid(pid_, &status, 0);
    waited_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return status_;
  }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  bool waited_ = false;
  int status_ = -1;
  std::string buffer_;
};

}  // namespace tqtest
