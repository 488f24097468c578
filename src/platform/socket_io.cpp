#include "platform/socket_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/vbus_layout.h"

namespace platform::sock {

bool MakeAddress(const std::string& path, sockaddr_un* address, int* dirFd) {
  *dirFd = -1;
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  std::string target = path;
  if (path.size() >= sizeof address->sun_path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return false;
    *dirFd = open(path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (*dirFd < 0) return false;
    target = "/proc/self/fd/" + std::to_string(*dirFd) + path.substr(slash);
    if (target.size() >= sizeof address->sun_path) {
      close(*dirFd);
      *dirFd = -1;
      return false;
    }
  }
  std::memcpy(address->sun_path, target.c_str(), target.size() + 1);
  return true;
}

int NewStreamSocket() {
  return socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

int ConnectStream(const std::string& path) {
  sockaddr_un address;
  int dirFd;
  if (!MakeAddress(path, &address, &dirFd)) return -1;
  int fd = NewStreamSocket();
  if (fd >= 0) {
    int rc;
    do {
      rc = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
      close(fd);
      fd = -1;
    }
  }
  if (dirFd >= 0) close(dirFd);
  return fd;
}

void Close(int fd) {
  if (fd >= 0) close(fd);
}

void Shutdown(int fd) {
  if (fd >= 0) shutdown(fd, SHUT_RDWR);
}

bool SendAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool SendFrame(int fd, const void* data, uint32_t size) {
  unsigned char header[vbus::kFrameHeaderSize];
  vbus::EncodeFrameHeader(size, header);
  iovec parts[2] = {{header, sizeof header}, {const_cast<void*>(data), size}};
  msghdr message{};
  message.msg_iov = parts;
  message.msg_iovlen = size > 0 ? 2 : 1;
  ssize_t n;
  do {
    n = sendmsg(fd, &message, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return false;
  size_t sent = static_cast<size_t>(n);
  if (sent < sizeof header) {
    if (!SendAll(fd, header + sent, sizeof header - sent)) return false;
    sent = sizeof header;
  }
  sent -= sizeof header;
  return SendAll(fd, static_cast<const char*>(data) + sent, size - sent);
}

bool WaitReadable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  for (;;) {
    int rc = poll(&p, 1, timeoutMs);
    if (rc > 0) return true;
    if (rc == 0) return false;
    if (errno != EINTR) return true;  // let the following receive report the error
  }
}

bool SetReceiveTimeout(int fd, int timeoutMs) {
  // A zero timeval would mean no timeout at all: the shortest one instead.
  timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  if (timeoutMs <= 0) limit = {0, 1};
  return setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0;
}

RecvResult RecvSomeTimed(int fd, void* buffer, size_t size, size_t* got) {
  *got = 0;
  for (;;) {
    // Without MSG_WAITALL the call returns what has come, so the timeout
    // bounds the time without data, not the whole transfer.
    ssize_t n = recv(fd, buffer, size, 0);
    if (n > 0) {
      *got = static_cast<size_t>(n);
      return RecvResult::Ok;
    }
    if (n == 0) return RecvResult::Closed;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return RecvResult::TimedOut;
    return errno == ECONNRESET ? RecvResult::Closed : RecvResult::Failed;
  }
}

RecvResult RecvExactTimed(int fd, void* buffer, size_t size) {
  char* p = static_cast<char*>(buffer);
  while (size > 0) {
    size_t got = 0;
    if (RecvResult r = RecvSomeTimed(fd, p, size, &got); r != RecvResult::Ok) return r;
    p += got;
    size -= got;
  }
  return RecvResult::Ok;
}

RecvResult RecvExact(int fd, void* buffer, size_t size, int idleTimeoutMs) {
  char* p = static_cast<char*>(buffer);
  while (size > 0) {
    if (idleTimeoutMs >= 0 && !WaitReadable(fd, idleTimeoutMs)) return RecvResult::TimedOut;
    // MSG_WAITALL lets one call fill a large buffer however the sender split it.
    ssize_t n = recv(fd, p, size, idleTimeoutMs >= 0 ? MSG_DONTWAIT : MSG_WAITALL);
    if (n == 0) return RecvResult::Closed;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return errno == ECONNRESET ? RecvResult::Closed : RecvResult::Failed;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return RecvResult::Ok;
}

}  // namespace platform::sock
