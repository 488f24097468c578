#pragma once
// The control socket of a device server, ROOT/.tqsim-control: a client sends
// one command line and receives the answer, then the connection closes.
#include <functional>
#include <map>
#include <string>

#include "server/event_loop.h"

namespace tqsim {

// Name of the control socket in the bus root.
inline constexpr const char* kControlSocketName = ".tqsim-control";

class ControlChannel {
 public:
  using Executor = std::function<std::string(const std::string& line)>;

  ControlChannel(EventLoop& loop, Executor execute);
  ~ControlChannel();
  ControlChannel(const ControlChannel&) = delete;
  ControlChannel& operator=(const ControlChannel&) = delete;

  // Listens below `root`. Fails when another server answers there; a socket
  // left behind by a server that died is replaced.
  bool Open(const std::string& root, std::string* error);
  // Closes the socket and every client connection and removes the socket file.
  void Close();

 private:
  struct Session {
    EventLoop::Token token = 0;
    std::string input;
  };

  void Accept();
  void Read(int fd);
  void Answer(int fd, const std::string& answer);

  EventLoop& loop_;
  Executor execute_;
  int listenFd_ = -1;
  EventLoop::Token listenToken_ = 0;
  std::string path_;
  std::map<int, Session> sessions_;  // by descriptor
};

// Sends one control command to the server serving `root` and returns its
// answer; false when no server answers.
bool SendControl(const std::string& root, const std::string& line, std::string* answer);

}  // namespace tqsim
