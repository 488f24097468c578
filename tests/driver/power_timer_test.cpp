// The power-reading timer of a kind-1 camera: while the thread that opened it
// pumps its events, every tick sends one power request and stores the
// reading, without touching the host's last-error text; a camera opened with
// Initialize2 sends none.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>

#include "common/bus_test_device.h"
#include "common/temp_bus_root.h"
#include "driver/accessories/power_utilization.h"
#include "driver/camera/camera.h"
#include "platform/bus_layout.h"
#include "tqusb/tqusb.h"

using namespace tQusb;

namespace {

constexpr uint32_t kCameraId = 7001;

// A kind-1 camera (interface class 7): the packed information record, word
// queries, and power readings a = 300, b = 100.
class KindOneCamera {
 public:
  explicit KindOneCamera(const std::string& root)
      : device_(root, *platform::bus::InterfaceClass(7), "vid_0000&pid_0000#k1",
                [this](const std::vector<unsigned char>& command,
                       platform::bus::DeviceEndpoints& ep) { Answer(command, ep); }) {}

  unsigned PowerRequests() const { return powerRequests_; }

 private:
  void Answer(const std::vector<unsigned char>& command, platform::bus::DeviceEndpoints& ep) {
    if (command.empty()) return;
    if (command[0] == 0x00) {
      unsigned char reply[61] = {0x80};
      std::memcpy(reply + 1, &kCameraId, 4);
      ep.SendReply(reply, sizeof reply);
    } else if (command[0] == 0x0F) {
      const unsigned char reply[3] = {0x80, 0x01, 0x01};
      ep.SendReply(reply, sizeof reply);
    } else if (command[0] == 0x11) {
      ++powerRequests_;
      const unsigned char reply[5] = {0x80, 0x2C, 0x01, 0x64, 0x00};
      ep.SendReply(reply, sizeof reply);
    } else {
      const unsigned char ok = 0x80;
      ep.SendReply(&ok, 1);
    }
  }

  std::atomic<unsigned> powerRequests_{0};
  BusTestDevice device_;
};

// Pumps the calling thread's events for `ms`; the number dispatched.
unsigned PumpFor(unsigned ms) {
  unsigned dispatched = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) dispatched += tqPumpEvents(20);
  return dispatched;
}

TEST(PowerTimer, EachTickReadsOnceAndKeepsTheHostsText) {
  TempBusRoot root;
  KindOneCamera device(root.Path());
  const unsigned period = PowerTimerPeriodMs;
  PowerTimerPeriodMs = 40;
  while (tqPumpEvents(0) != 0) {
  }  // nothing left over from earlier tests on this thread

  CCamera* camera = Initialize(kCameraId);
  ASSERT_TRUE(camera->IsConnected());
  EXPECT_FALSE(SetGain(camera, 10));  // leaves a text the host may still read
  const unsigned ticks = PumpFor(400);
  EXPECT_GE(ticks, 2u);
  EXPECT_EQ(device.PowerRequests(), ticks);
  EXPECT_STREQ(camera->LastError, "Camera does not support this feature");
  float value = 0;
  EXPECT_TRUE(GetValue(camera, 11, &value));
  EXPECT_EQ(value, 0.75f);
  Release(camera);
  while (tqPumpEvents(0) != 0) {
  }

  CCamera* quiet = Initialize2(kCameraId);
  ASSERT_TRUE(quiet->IsConnected());
  EXPECT_EQ(PumpFor(200), 0u);
  EXPECT_EQ(device.PowerRequests(), ticks);
  EXPECT_TRUE(GetValue(quiet, 11, &value));
  EXPECT_EQ(value, 0.0f);
  Release(quiet);
  PowerTimerPeriodMs = period;
}

}  // namespace
