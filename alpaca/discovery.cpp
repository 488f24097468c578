#include "discovery.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tqalpaca {
namespace {

constexpr char kQuery[] = "alpacadiscovery1";
constexpr char kGroupV6[] = "ff12::a1:9aca";

int Bound(int family, uint16_t port, bool loopbackOnly) {
  const int fd = socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  int ok;
  if (family == AF_INET) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
    ok = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  } else {
    setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(port);
    a.sin6_addr = loopbackOnly ? in6addr_loopback : in6addr_any;
    ok = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    if (ok == 0 && !loopbackOnly) {
      // Joined on every interface that takes it; failures leave unicast.
      ipv6_mreq group{};
      inet_pton(AF_INET6, kGroupV6, &group.ipv6mr_multiaddr);
      if (struct if_nameindex* names = if_nameindex()) {
        for (struct if_nameindex* n = names; n->if_index != 0; ++n) {
          group.ipv6mr_interface = n->if_index;
          setsockopt(fd, IPPROTO_IPV6, IPV6_JOIN_GROUP, &group, sizeof group);
        }
        if_freenameindex(names);
      }
    }
  }
  if (ok != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

bool Discovery::Start(uint16_t udpPort, uint16_t httpPort, bool loopbackOnly, std::string* why) {
  httpPort_ = httpPort;
  v4_ = Bound(AF_INET, udpPort, loopbackOnly);
  if (v4_ < 0) {
    *why = "cannot receive discovery on UDP port " + std::to_string(udpPort) + ": " +
           std::strerror(errno);
    return false;
  }
  v6_ = Bound(AF_INET6, udpPort, loopbackOnly);
  wake_ = eventfd(0, EFD_CLOEXEC);
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void Discovery::Stop() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    if (write(wake_, &one, sizeof one) < 0) {
      // Cannot happen for a fresh eventfd; the thread is joined either way.
    }
    thread_.join();
  }
  for (int* fd : {&v4_, &v6_, &wake_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

void Discovery::Serve() {
  const std::string answer = "{\"AlpacaPort\":" + std::to_string(httpPort_) + "}";
  for (;;) {
    pollfd fds[3] = {{wake_, POLLIN, 0}, {v4_, POLLIN, 0}, {v6_, POLLIN, 0}};
    if (poll(fds, v6_ >= 0 ? 3 : 2, -1) < 0 && errno != EINTR) return;
    if (fds[0].revents) return;
    for (int i = 1; i < 3; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & POLLIN)) continue;
      char datagram[64];
      sockaddr_storage from{};
      socklen_t size = sizeof from;
      const ssize_t n = recvfrom(fds[i].fd, datagram, sizeof datagram, MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&from), &size);
      if (n >= static_cast<ssize_t>(sizeof kQuery - 1) &&
          std::memcmp(datagram, kQuery, sizeof kQuery - 1) == 0)
        sendto(fds[i].fd, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
               size);
    }
  }
}

}  // namespace tqalpaca
