#pragma once
// A minimal camera on a private virtual USB bus, served by a thread of the
// test: it answers the information request, the word queries and every
// single-byte command, as far as the connection tests need, and power
// readings a = 300, b = 100.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/bus_test_device.h"
#include "platform/vbus_layout.h"

namespace tqtest {

struct BusCameraSpec {
  std::string name = "vid_0000&pid_0c26#test1";
  uint32_t id = 1;
  int classNumber = 1;
  std::vector<unsigned char> descriptor;  // empty: no descriptor file
  bool packedRecord = false;              // the 61-byte record of kinds 1 and 2
};

inline std::vector<unsigned char> Descriptor(uint16_t bcdUsb, uint16_t productId) {
  std::vector<unsigned char> d(18, 0);
  d[0] = 18;
  d[1] = 1;
  d[2] = bcdUsb & 0xFF;
  d[3] = bcdUsb >> 8;
  d[10] = productId & 0xFF;
  d[11] = productId >> 8;
  return d;
}

class BusCamera {
 public:
  BusCamera(const std::string& root, BusCameraSpec spec) : spec_(std::move(spec)) {
    const platform::TGuid* guid = platform::vbus::InterfaceClass(spec_.classNumber);
    device_ = std::make_unique<BusTestDevice>(
        root, *guid, spec_.name,
        [this](const std::vector<unsigned char>& command, busdevice::DeviceEndpoints& ep) {
          Answer(command, ep);
        },
        spec_.descriptor.empty() ? nullptr : &spec_.descriptor);
  }

  void Stop() { device_->Stop(); }
  std::string DevicePath() const { return device_->DevicePath(); }
  unsigned PowerRequests() const { return powerRequests_; }

 private:
  void Answer(const std::vector<unsigned char>& command, busdevice::DeviceEndpoints& ep) {
    if (command.empty()) return;
    if (command[0] == 0x00) {
      std::vector<unsigned char> reply(spec_.packedRecord ? 61 : 65, 0);
      reply[0] = 0x80;
      std::memcpy(&reply[1], &spec_.id, 4);
      if (!spec_.packedRecord) reply[10] = 0x10;  // width 4096 (high byte)
      ep.SendReply(reply.data(), static_cast<uint32_t>(reply.size()));
    } else if (command.size() == 2 && (command[0] == 0x0E || command[0] == 0x0F)) {
      const unsigned char reply[3] = {0x80, command[1], 0x01};  // word 0x01nn
      ep.SendReply(reply, 3);
    } else if (command[0] == 0x11) {
      ++powerRequests_;
      const unsigned char reply[5] = {0x80, 0x2C, 0x01, 0x64, 0x00};
      ep.SendReply(reply, sizeof reply);
    } else {
      const unsigned char ok = 0x80;
      ep.SendReply(&ok, 1);
    }
  }

  BusCameraSpec spec_;
  std::atomic<unsigned> powerRequests_{0};
  std::unique_ptr<BusTestDevice> device_;
};

}  // namespace tqtest
