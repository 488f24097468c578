// Exposure begin and end over a scripted USB driver that records every
// request: the bytes of each generation, the shutter sequence of generation 1
// and the failure paths.
#include <gtest/gtest.h>

#include <vector>

#include "driver/camera/camera.h"
#include "support/fake_usb.h"
#include "tqusb/tqusb.h"

using namespace tQusb;
using tqtest::FakeUsb;

namespace {

using Bytes = std::vector<uint8_t>;
using Requests = std::vector<Bytes>;
const Bytes kOk = {0x80};

struct ExposureCase {
  const char* name;
  int32_t generation;
  bool end;             // EndExposure rather than BeginExposure
  uint8_t shutter, second;
  std::vector<Bytes> replies;
  bool result;
  Requests sent;
};

TEST(Exposure, RequestsOfEveryGeneration) {
  const ExposureCase cases[] = {
      {"g1 begin, shutter", 1, false, 1, 0, {kOk, kOk}, true, {{0x04}, {0x0C}}},
      {"g1 begin, no shutter", 1, false, 0, 0, {kOk}, true, {{0x04}}},
      {"g1 begin, clear refused", 1, false, 1, 0, {{0x84}}, false, {{0x04}}},
      {"g1 begin, open refused", 1, false, 1, 0, {kOk, {0x83}}, false, {{0x04}, {0x0C}}},
      {"g1 begin, no shutter, clear refused", 1, false, 0, 0, {{0x81}}, false, {{0x04}}},
      {"g2 begin", 2, false, 1, 0, {kOk}, true, {{0x07, 0x01}}},
      {"g3 begin, raw flag", 3, false, 0x05, 0, {kOk}, true, {{0x07, 0x05}}},
      {"g4 begin, no shutter", 4, false, 0, 0, {kOk}, true, {{0x07, 0x00}}},
      {"g5 begin refused", 5, false, 1, 0, {{0x82}}, false, {{0x07, 0x01}}},
      {"g1 end, shutter", 1, true, 1, 0, {kOk}, true, {{0x0D}}},
      {"g1 end, no shutter", 1, true, 0, 1, {}, true, {}},
      {"g1 end, close refused", 1, true, 1, 1, {{0x84}}, false, {{0x0D}}},
      {"g2 end", 2, true, 0, 1, {kOk}, true, {{0x08, 0x00, 0x01}}},
      {"g3 end", 3, true, 1, 0, {kOk}, true, {{0x08, 0x01, 0x00}}},
      {"g4 end, raw flags", 4, true, 0x7F, 0xFF, {kOk}, true, {{0x08, 0x7F, 0xFF}}},
      {"g5 end refused", 5, true, 1, 1, {{0x00}}, false, {{0x08, 0x01, 0x01}}},
  };
  for (const ExposureCase& c : cases) {
    FakeUsb usb;
    CCamera camera;
    FakeUsb::Connect(camera, c.generation);
    for (const Bytes& r : c.replies) usb.Reply(r);
    const bool result = c.end ? camera.EndExposure(c.shutter, c.second)
                              : camera.BeginExposure(c.shutter);
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(usb.requests, c.sent) << c.name;
    EXPECT_TRUE(usb.replies.empty()) << c.name;
    EXPECT_TRUE(camera.IsConnected()) << c.name;
  }
}

TEST(Exposure, RefusalTextsAreThoseOfTheStatus) {
  FakeUsb usb;
  CCamera camera;
  FakeUsb::Connect(camera, 1);
  usb.Reply({0x84});
  EXPECT_FALSE(camera.BeginExposure(1));
  EXPECT_STREQ(camera.LastError, "Instruction failed: Unspecified instruction failure");
  usb.Reply({0x00});
  FakeUsb::Connect(camera, 3);
  EXPECT_FALSE(camera.EndExposure(1, 0));
  EXPECT_STREQ(camera.LastError, "Instruction failed: Unknown return code");
}

TEST(Exposure, GenerationsWithoutExposureControlSendNothing) {
  for (int32_t generation : {0, 6, -1}) {
    FakeUsb usb;
    CCamera camera;
    FakeUsb::Connect(camera, generation);
    EXPECT_FALSE(BeginExposure(&camera, true));
    EXPECT_STREQ(camera.LastError, "Camera does not support this feature");
    camera.LastError[0] = '\0';
    EXPECT_FALSE(cameraEndExposure(&camera, true, true));
    EXPECT_STREQ(camera.LastError, "Camera does not support this feature");
    EXPECT_TRUE(usb.requests.empty());
  }
}

TEST(Exposure, ExportsTestTheConnectionFirst) {
  FakeUsb usb;
  CCamera camera;
  camera.Generation = 3;
  for (bool end : {false, true}) {
    camera.LastError[0] = '\0';
    EXPECT_FALSE(end ? EndExposure(&camera, true, false) : cameraBeginExposure(&camera, true));
    EXPECT_STREQ(camera.LastError, "CCD camera not connected to USB");
  }
  EXPECT_TRUE(usb.requests.empty());
}

}  // namespace
