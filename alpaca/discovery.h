#pragma once
// Answers the Alpaca discovery datagram ("alpacadiscovery1") with the HTTP
// port, on IPv4 (broadcasts included) and on IPv6 (the Alpaca multicast
// group) where the system has it. A server listening on the loopback
// address answers only there.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace tqalpaca {

class Discovery {
 public:
  ~Discovery() { Stop(); }
  // False with the reason when not even the IPv4 socket could be bound.
  bool Start(uint16_t udpPort, uint16_t httpPort, bool loopbackOnly, std::string* why);
  void Stop();

 private:
  void Serve();

  int v4_ = -1, v6_ = -1, wake_ = -1;
  uint16_t httpPort_ = 0;
  std::thread thread_;
};

}  // namespace tqalpaca
