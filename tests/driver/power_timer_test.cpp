// The power-reading timer of a kind-1 camera: while the thread that opened it
// pumps its events, every tick sends one power request and stores the
// reading, without touching the host's last-error text; a camera opened with
// Initialize2 sends none.
#include <gtest/gtest.h>

#include <chrono>

#include "common/temp_bus_root.h"
#include "driver/accessories/power_utilization.h"
#include "driver/camera/camera.h"
#include "support/bus_camera.h"
#include "tqusb/tqusb.h"

using namespace tQusb;

namespace {

constexpr uint32_t kCameraId = 7001;

// Pumps the calling thread's events for `ms`; the number dispatched.
unsigned PumpFor(unsigned ms) {
  unsigned dispatched = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) dispatched += tqPumpEvents(20);
  return dispatched;
}

TEST(PowerTimer, EachTickReadsOnceAndKeepsTheHostsText) {
  TempBusRoot root;
  tqtest::BusCameraSpec spec;  // a kind-1 camera (interface class 7)
  spec.id = kCameraId;
  spec.classNumber = 7;
  spec.packedRecord = true;
  tqtest::BusCamera device(root.Path(), spec);
  const unsigned period = PowerTimerPeriodMs();
  SetPowerTimerPeriodMs(40);
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
  SetPowerTimerPeriodMs(period);
}

}  // namespace
