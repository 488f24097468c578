#include "control_channel.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

#include "busdevice/listen_socket.h"
#include "platform/socket_io.h"

namespace tqsim {
namespace {

constexpr std::size_t kMaxControlLine = 4096;

}  // namespace

ControlChannel::ControlChannel(EventLoop& loop, Executor execute)
    : loop_(loop), execute_(std::move(execute)) {}

ControlChannel::~ControlChannel() { Close(); }

bool ControlChannel::Open(const std::string& root, std::string* error) {
  const std::string path = root + "/" + kControlSocketName;
  if (access(path.c_str(), F_OK) == 0) {
    const int probe = platform::sock::ConnectStream(path);
    if (probe >= 0) {
      platform::sock::Close(probe);
      *error = "another tqsim serves " + root;
      return false;
    }
    unlink(path.c_str());
  }
  listenFd_ = busdevice::ListenStream(path);
  if (listenFd_ < 0) {
    *error = "cannot listen on " + path;
    return false;
  }
  fcntl(listenFd_, F_SETFL, fcntl(listenFd_, F_GETFL) | O_NONBLOCK);
  path_ = path;
  listenToken_ = loop_.Watch(listenFd_, EPOLLIN, [this](std::uint32_t) { Accept(); });
  return true;
}

void ControlChannel::Close() {
  for (auto& [fd, session] : sessions_) {
    loop_.Unwatch(session.token);
    platform::sock::Close(fd);
  }
  sessions_.clear();
  if (listenFd_ < 0) return;
  loop_.Unwatch(listenToken_);
  platform::sock::Close(listenFd_);
  listenFd_ = -1;
  unlink(path_.c_str());
  path_.clear();
}

void ControlChannel::Accept() {
  for (;;) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    sessions_[fd].token = loop_.Watch(fd, EPOLLIN | EPOLLRDHUP, [this, fd](std::uint32_t) { Read(fd); });
  }
}

void ControlChannel::Read(int fd) {
  auto it = sessions_.find(fd);
  if (it == sessions_.end()) return;
  std::string& input = it->second.input;
  bool ended = false;
  char buffer[512];
  for (;;) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) {
      input.append(buffer, static_cast<std::size_t>(n));
      if (input.size() > kMaxControlLine) return Answer(fd, "error command too long\n");
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    ended = !(n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
    break;
  }
  const std::size_t eol = input.find('\n');
  if (eol == std::string::npos && !ended) return;  // the rest of the line is coming
  const std::string line = input.substr(0, eol);
  Answer(fd, execute_(line));
}

void ControlChannel::Answer(int fd, const std::string& answer) {
  // A short answer to a waiting client; one that does not read within a
  // second loses it rather than stalling the server.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  timeval timeout{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  platform::sock::SendAll(fd, answer.data(), answer.size());
  auto it = sessions_.find(fd);
  if (it != sessions_.end()) {
    loop_.Unwatch(it->second.token);
    sessions_.erase(it);
  }
  platform::sock::Close(fd);
}

bool SendControl(const std::string& root, const std::string& line, std::string* answer) {
  const int fd = platform::sock::ConnectStream(root + "/" + kControlSocketName);
  if (fd < 0) return false;
  const std::string request = line + "\n";
  const bool sent = platform::sock::SendAll(fd, request.data(), request.size());
  answer->clear();
  char buffer[4096];
  while (sent) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    answer->append(buffer, static_cast<std::size_t>(n));
  }
  platform::sock::Close(fd);
  return sent && !answer->empty();
}

}  // namespace tqsim
