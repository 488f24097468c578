#include "busdevice/device_endpoints.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "busdevice/listen_socket.h"
#include "platform/socket_io.h"

namespace busdevice {

using namespace platform::vbus;
namespace sock = platform::sock;

bool ReadFrame(int fd, std::vector<unsigned char>* frame) {
  unsigned char header[kFrameHeaderSize];
  if (sock::RecvExact(fd, header, sizeof header, -1) != sock::RecvResult::Ok) return false;
  frame->resize(DecodeFrameHeader(header));
  return frame->empty() ||
         sock::RecvExact(fd, frame->data(), frame->size(), -1) == sock::RecvResult::Ok;
}

DeviceEndpoints::DeviceEndpoints(const PublishedDevice& device)
    : device_(device), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

DeviceEndpoints::~DeviceEndpoints() {
  CloseConnections();
  sock::Close(wake_);
}

void DeviceEndpoints::Interrupt() {
  uint64_t one = 1;
  ssize_t n = write(wake_, &one, sizeof one);
  (void)n;
}

void DeviceEndpoints::CloseConnections() {
  for (auto& list : connections_) {
    for (int fd : list) sock::Close(fd);
    list.clear();
  }
}

void DeviceEndpoints::AcceptPending(int pipe) {
  int listenFd = device_.ListenFd(static_cast<Pipe>(pipe));
  if (listenFd < 0) return;
  for (;;) {
    pollfd p{listenFd, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) return;
    int fd = Accept(listenFd, true);
    if (fd < 0) return;
    connections_[pipe].push_back(fd);
  }
}

// Reply and image connections never carry data from the host; readable
// means closed.
void DeviceEndpoints::DropClosed(int pipe) {
  auto& list = connections_[pipe];
  for (size_t i = 0; i < list.size();) {
    pollfd p{list[i], POLLIN, 0};
    char byte;
    bool closed = poll(&p, 1, 0) > 0 && ((p.revents & (POLLHUP | POLLERR)) ||
                                         recv(list[i], &byte, 1, MSG_DONTWAIT | MSG_PEEK) <= 0);
    if (closed) {
      sock::Close(list[i]);
      list.erase(list.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
}

int DeviceEndpoints::Newest(int pipe) {
  AcceptPending(pipe);
  DropClosed(pipe);
  return connections_[pipe].empty() ? -1 : connections_[pipe].back();
}

bool DeviceEndpoints::SendFrame(Pipe pipe, const void* data, uint32_t size) {
  int fd = Newest(static_cast<int>(pipe));
  return fd >= 0 && sock::SendFrame(fd, data, size);
}

bool DeviceEndpoints::SendRaw(Pipe pipe, const void* data, size_t size) {
  int fd = Newest(static_cast<int>(pipe));
  return fd >= 0 && sock::SendAll(fd, data, size);
}

bool DeviceEndpoints::ReadCommand(size_t index, std::vector<unsigned char>* frame) {
  auto& list = connections_[static_cast<int>(Pipe::Command)];
  if (ReadFrame(list[index], frame)) return true;
  sock::Close(list[index]);
  list.erase(list.begin() + static_cast<long>(index));
  return false;
}

bool DeviceEndpoints::NextCommand(std::vector<unsigned char>* frame, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  const int command = static_cast<int>(Pipe::Command);
  for (;;) {
    // Poll set: wake, the three listening sockets, then the command connections.
    std::vector<pollfd> fds;
    fds.push_back({wake_, POLLIN, 0});
    for (int pipe = 0; pipe < kPipeCount; ++pipe)
      fds.push_back({device_.ListenFd(static_cast<Pipe>(pipe)), POLLIN, 0});
    for (int fd : connections_[command]) fds.push_back({fd, POLLIN, 0});
    int wait = -1;
    if (timeoutMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    int rc = poll(fds.data(), fds.size(), wait);
    if (rc < 0 && errno != EINTR) return false;
    if (rc == 0) return false;
    if (rc < 0) continue;
    if (fds[0].revents) {
      uint64_t count;
      ssize_t n = read(wake_, &count, sizeof count);
      (void)n;
      return false;
    }
    for (int pipe = 0; pipe < kPipeCount; ++pipe)
      if (fds[1 + pipe].revents) AcceptPending(pipe);
    for (size_t i = 1 + kPipeCount; i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      // The connection's place may have moved when an earlier one closed.
      auto& list = connections_[command];
      for (size_t index = 0; index < list.size(); ++index)
        if (list[index] == fds[i].fd) {
          if (ReadCommand(index, frame)) return true;
          break;
        }
    }
  }
}

}  // namespace busdevice
