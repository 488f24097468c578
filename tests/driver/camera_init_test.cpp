// Connecting camera objects to devices on a private bus served in-process.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/debug_capture.h"
#include "common/temp_bus_root.h"
#include "driver/camera/camera.h"
#include "driver/transport/claims.h"
#include "driver/transport/discovery.h"
#include "support/bus_camera.h"
#include "tqusb/tqusb.h"

using namespace tQusb;
using tqtest::BusCamera;
using tqtest::BusCameraSpec;
using tqtest::Descriptor;

namespace {

TEST(CameraInit, DescriptorDecidesKindGenerationAndReadLimit) {
  // An id the product table does not know keeps the defaults and says so.
  const struct {
    std::vector<unsigned char> descriptor;  // empty: no descriptor file
    uint32_t kind;
    int32_t generation;
    uint32_t singleReadLimit;
    const char* debugLine;  // the unknown-product line, if any
  } cases[] = {{Descriptor(0x0200, 0x0C05), 9, 2, 0x400000,
                "CameraInit: unknown product id 0x0C05, kind 9 kept\n"},
               {Descriptor(0x0300, 0x0D01), 9, 2, 0x1800000,
                "CameraInit: unknown product id 0x0D01, kind 9 kept\n"},
               {Descriptor(0x0200, 0x0C91), 12, 4, 0x400000, nullptr},
               {{}, 9, 2, 0x1800000, nullptr},
               {std::vector<unsigned char>(17, 0x0C), 9, 2, 0x1800000, nullptr}};
  for (const auto& c : cases) {
    TempBusRoot root;
    BusCameraSpec spec;
    spec.descriptor = c.descriptor;
    BusCamera device(root.Path(), spec);
    DebugCapture debug;
    CCamera* camera = Initialize(1);
    EXPECT_TRUE(camera->IsConnected());
    EXPECT_EQ(camera->CameraKind, c.kind);
    EXPECT_EQ(camera->Generation, c.generation);
    EXPECT_EQ(camera->SingleReadLimit, c.singleReadLimit);
    EXPECT_STREQ(camera->DevicePath, device.DevicePath().c_str());
    std::vector<std::string> unknown;
    for (const std::string& line : debug.Lines())
      if (line.rfind("CameraInit: unknown product id", 0) == 0) unknown.push_back(line);
    EXPECT_EQ(unknown,
              c.debugLine ? std::vector<std::string>{c.debugLine} : std::vector<std::string>{});
    Release(camera);
  }
}

TEST(CameraInit, WantedIdSelectsTheDeviceAndClaimsKeepOthersAway) {
  TempBusRoot root;
  BusCameraSpec a;
  a.name = "cam_a";
  a.id = 5;
  BusCameraSpec b;
  b.name = "cam_b";
  b.id = 6;
  BusCamera first(root.Path(), a), second(root.Path(), b);

  CCamera* six = Initialize(6);
  ASSERT_TRUE(six->IsConnected());
  EXPECT_EQ(six->Info.CameraId, 6u);
  CCamera* againSix = Initialize(6);  // claimed by the first object
  EXPECT_FALSE(againSix->IsConnected());
  EXPECT_EQ(againSix->CameraKind, 0u);
  EXPECT_STREQ(againSix->LastError, "");
  CCamera* any = Initialize(0xFFFFFFFF);  // the first free one
  ASSERT_TRUE(any->IsConnected());
  EXPECT_EQ(any->Info.CameraId, 5u);

  Release(six);
  EXPECT_TRUE(ClearSensor(any));
  Release(any);
  Release(againSix);
}

// With the any-camera id the classes are searched in their fixed order, not
// by number: the camera of the class that comes first there connects.
TEST(CameraInit, AnyIdTakesTheFirstClassOfTheSearchOrder) {
  const struct {
    int earlier, later;
    uint32_t kind;
  } cases[] = {{2, 3, 3}, {3, 1, 6}, {14, 4, 21}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.earlier);
    TempBusRoot root;
    BusCameraSpec first, second;
    first.name = "cam_a";
    first.classNumber = c.later;
    first.id = 2;
    second.name = "cam_b";
    second.classNumber = c.earlier;
    BusCamera later(root.Path(), first), earlier(root.Path(), second);
    CCamera* camera = Initialize(0xFFFFFFFF);
    EXPECT_TRUE(camera->IsConnected());
    EXPECT_EQ(camera->Info.CameraId, 1u);
    EXPECT_EQ(camera->CameraKind, c.kind);
    Release(camera);
  }
}

TEST(CameraInit, MissingPipeLeavesItsTextAndReleasesTheClaim) {
  TempBusRoot root;
  BusCameraSpec spec;
  spec.name = "nopipe";
  BusCamera device(root.Path(), spec);
  platform::vbus::TBusAddress address;
  ASSERT_TRUE(platform::vbus::ParseDevicePath(device.DevicePath(), &address));
  std::filesystem::remove(platform::vbus::DeviceDirectory(root.Path(), address) + "/2");

  CCamera* camera = Initialize(1);
  EXPECT_FALSE(camera->IsConnected());
  EXPECT_STREQ(camera->LastError, "CameraInit failed, cannot open camera image pipe");
  EXPECT_STREQ(camera->DevicePath, "");
  Release(camera);
  char path[261];
  const transport::Handle device2 = FindDevice(1, nullptr, -1, 260, path);
  EXPECT_NE(device2, transport::kInvalidHandle);  // the claim was given back
  ReleaseDevice(ClaimList(), 260, path);
  transport::Close(device2);
}

}  // namespace
