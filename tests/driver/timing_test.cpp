// Sensor timing and preflash: the encodings, and the requests a recording
// fake USB driver receives.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "driver/camera/camera.h"
#include "driver/config/sensor_settings.h"
#include "support/captures.h"
#include "support/fake_usb.h"
#include "tqusb/tqusb.h"

using namespace tQusb;
using tqtest::FakeUsb;

namespace {

using Bytes = std::vector<uint8_t>;

TEST(SensorTiming, RequestsByKind) {
  const struct {
    uint32_t kind;
    Bytes sent;  // empty: nothing sent, the kind has no programmable timing
  } cases[] = {
      {0, {}},           {1, {}},           {2, {}},
      {3, {0x19, 0x14}}, {4, {0x19, 0x14}}, {5, {0x19, 0x14}},
      {6, {0x19, 0x14}}, {7, {0x19, 0x0A, 0x14}}, {8, {0x19, 0x0A, 0x14}},
      {9, {}},           {14, {}},          {21, {}},
  };
  for (const auto& c : cases) {
    FakeUsb usb;
    CCamera camera;
    FakeUsb::Connect(camera, 1, c.kind);
    usb.Reply({0x80});
    const bool result = SetTiming(camera, 10, 20);
    EXPECT_EQ(result, !c.sent.empty()) << c.kind;
    if (c.sent.empty()) {
      EXPECT_TRUE(usb.requests.empty()) << c.kind;
      EXPECT_STREQ(camera.LastError, "Only Rev.H based cameras implemet programmable timing");
    } else {
      EXPECT_EQ(usb.requests, std::vector<Bytes>({c.sent})) << c.kind;
    }
  }
}

TEST(SensorTiming, FailuresAndTheirTexts) {
  {
    FakeUsb usb;
    CCamera camera;
    camera.CameraKind = 5;
    EXPECT_FALSE(SetTiming(camera, 0, 20));
    EXPECT_STREQ(camera.LastError, "CCD camera not connected to USB");
    EXPECT_TRUE(usb.requests.empty());
  }
  {
    FakeUsb usb;
    CCamera camera;
    FakeUsb::Connect(camera, 1, 8);
    usb.Reply({0x82});
    EXPECT_FALSE(SetTiming(camera, 0, 2));
    EXPECT_STREQ(camera.LastError, "Instruction failed: Invalid parameter");
    EXPECT_TRUE(camera.IsConnected());
  }
}

TEST(Preflash, Milliseconds) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double seconds;
    uint16_t ms;
  } cases[] = {
      {0.0, 0},        {0.0125, 13},      {0.0124, 12},    {1.0, 1000},
      {65.535, 65535}, {65.6, 65535},     {70.0, 65535},   {inf, 65535},
      {-0.002, 65535}, {-0.0004, 0},      {-70.0, 0xEE91}, {nan, 0},
      {-inf, 0},       {1e300, 65535},    {-1e300, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PreflashMilliseconds(c.seconds), c.ms) << c.seconds;
  }
}

TEST(Preflash, RequestsAndCountLimit) {
  const struct {
    double seconds;
    uint32_t count;
    Bytes sent;
  } cases[] = {
      {0.0125, 3, {0x18, 0x0D, 0x00, 0x03}},
      {70.0, 40, {0x18, 0xFF, 0xFF, 0x10}},
      {0.3, 16, {0x18, 0x2C, 0x01, 0x10}},
      {0.3, 17, {0x18, 0x2C, 0x01, 0x10}},
      {0.0, 0, {0x18, 0x00, 0x00, 0x00}},
      {1.0, 0xFFFFFFFF, {0x18, 0xE8, 0x03, 0x10}},
  };
  for (const auto& c : cases) {
    FakeUsb usb;
    CCamera camera;
    FakeUsb::Connect(camera, 1, 3);
    usb.Reply({0x80});
    EXPECT_TRUE(SetPreflash(&camera, c.seconds, c.count)) << c.seconds;
    EXPECT_EQ(usb.requests, std::vector<Bytes>({c.sent})) << c.seconds << " " << c.count;
  }
}

TEST(Preflash, Failures) {
  for (int32_t generation : {0, 2, 3, 4, 5, 6}) {
    FakeUsb usb;
    CCamera camera;
    FakeUsb::Connect(camera, generation);
    EXPECT_FALSE(cameraSetPreflash(&camera, 1.0, 1));
    EXPECT_STREQ(camera.LastError, "Camera does not support this feature");
    EXPECT_TRUE(usb.requests.empty());
  }
  {
    FakeUsb usb;
    CCamera camera;
    camera.Generation = 1;
    EXPECT_FALSE(SetPreflash(&camera, 1.0, 1));
    EXPECT_STREQ(camera.LastError, "CCD camera not connected to USB");
  }
  {
    FakeUsb usb;
    CCamera camera;
    FakeUsb::Connect(camera, 1, 3);
    usb.Reply({0x81});
    EXPECT_FALSE(SetPreflash(&camera, 1.0, 1));
    EXPECT_STREQ(camera.LastError, "Instruction failed: Invalid index");
  }
}

// Requests of their own shape write the operation's debug line for the step
// that failed and disconnect, as every transaction does.
TEST(SensorTiming, FailedTransfersWriteTheirLineAndDisconnect) {
  const struct {
    const char* operation;
    int32_t generation;
    uint32_t kind;
    bool (*send)(CCamera&);
  } cases[] = {
      {"SetTiming", 1, 3, [](CCamera& c) { return SetTiming(c, 0, 20); }},
      {"SetPreflash", 1, 3, [](CCamera& c) { return c.SetPreflash(1.0, 1); }},
      {"EndExposure", 2, 9, [](CCamera& c) { return c.EndExposure(1, 0); }},
  };
  for (const auto& c : cases) {
    for (bool failWrite : {true, false}) {
      FakeUsb usb;
      tqtest::DebugCapture debug;
      CCamera camera;
      FakeUsb::Connect(camera, c.generation, c.kind);
      usb.failWrites = failWrite;
      if (!failWrite) usb.FailRead();
      EXPECT_FALSE(c.send(camera)) << c.operation;
      EXPECT_FALSE(camera.IsConnected()) << c.operation;
      EXPECT_EQ(camera.hCommand, usb::kInvalidHandle) << c.operation;
      const std::string line =
          std::string(c.operation) + (failWrite ? " USB Write FAIL\n" : " USB Read FAIL\n");
      EXPECT_EQ(debug.Lines(), std::vector<std::string>({line}));
    }
  }
}

}  // namespace
