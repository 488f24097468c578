#pragma once
// The requests a host sends to each generation, with the request and reply
// lengths it uses; the tests hold the firmware to them.
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "core/wire.h"

namespace tqsim {

struct Exchange {
  std::uint8_t opcode;
  std::size_t requestLength;
  std::size_t replyLength;
};

inline const std::vector<Exchange>& HostExchanges(int generation) {
  static const std::vector<Exchange> generations2And3 = {{0x03, 2, 1}, {0x04, 1, 1}, {0x07, 2, 1},
                                                         {0x08, 3, 1}, {0x0D, 2, 1}, {0x0F, 2, 3},
                                                         {0x17, 4, 1}, {0x18, 6, 1}, {0x19, 1, 6}};
  static const std::map<int, std::vector<Exchange>> table = {
      {0, {{0x02, 2, 1}, {0x03, 1, 1}, {0x0E, 2, 3}, {0x0F, 2, 1}, {0x10, 5, 1}, {0x11, 1, 2}}},
      {1,
       {{0x01, 2, 1}, {0x02, 2, 1}, {0x03, 2, 1}, {0x04, 1, 1}, {0x0C, 1, 1}, {0x0D, 1, 1},
        {0x0E, 2, 1}, {0x0F, 2, 3}, {0x10, 3, 1}, {0x11, 1, 5}, {0x11, 2, 5}, {0x17, 2, 1},
        {0x18, 4, 1}, {0x1B, 1, 2}}},
      {2, generations2And3},
      {3, generations2And3},
      {4,
       {{0x03, 2, 1}, {0x04, 1, 1}, {0x07, 2, 1}, {0x08, 3, 1}, {0x0C, 3, 1}, {0x0D, 2, 1},
        {0x0F, 2, 3}, {0x10, 2, 1}, {0x11, 2, 5}, {0x17, 4, 1}, {0x18, 6, 1}, {0x19, 1, 6},
        {0x23, 1, 2}}},
      {5,
       {{0x03, 2, 1}, {0x04, 1, 1}, {0x05, 1, 1}, {0x06, 1, 1}, {0x07, 2, 1}, {0x08, 3, 1},
        {0x0C, 3, 1}, {0x0E, 2, 1}, {0x0F, 2, 3}, {0x10, 2, 1}, {0x11, 2, 5}, {0x17, 4, 1},
        {0x23, 1, 2}}},
  };
  return table.at(generation);
}

// A request of the exchange whose parameters every camera of the generation
// accepts: query words ask the first version word, binning factors are 1,
// read modes the generation's first code, filter position 0 on a wheel.
inline Bytes AcceptedRequest(int generation, const Exchange& e) {
  Bytes r(e.requestLength, 0);
  r[0] = e.opcode;
  const bool query = e.opcode == (generation == 0 ? 0x0E : 0x0F);
  if (query) r[1] = 0x80;
  if (generation == 1 && (e.opcode == 0x01 || e.opcode == 0x02)) r[1] = 1;
  if (generation == 0 && e.opcode == 0x02) r[1] = 2;
  return r;
}

}  // namespace tqsim
