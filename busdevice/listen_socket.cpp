#include "busdevice/listen_socket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/socket_io.h"

namespace busdevice {

namespace {

constexpr int kSendBufferBytes = 4 << 20;

}  // namespace

int ListenStream(const std::string& path) {
  sockaddr_un address;
  int dirFd;
  if (!platform::sock::MakeAddress(path, &address, &dirFd)) return -1;
  int fd = platform::sock::NewStreamSocket();
  if (fd >= 0 && (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0 ||
                  listen(fd, SOMAXCONN) < 0)) {
    close(fd);
    fd = -1;
  }
  if (dirFd >= 0) close(dirFd);
  return fd;
}

int Accept(int listenFd, bool nonBlocking) {
  int fd;
  do {
    fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0));
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0 && nonBlocking) {
    // The connection itself is used with blocking transfers.
    int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  }
  if (fd >= 0) {
    // A large send buffer lets an image frame cross in fewer, larger steps
    // (the system caps the value at its own limit).
    int size = kSendBufferBytes;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
  }
  return fd;
}

}  // namespace busdevice
