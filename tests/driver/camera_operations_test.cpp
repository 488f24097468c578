// Camera operations over a scripted USB driver: the information record, the
// version words, the sub-frame query and the single-command exports.
#include <gtest/gtest.h>

#include <cstring>

#include "driver/camera/camera.h"
#include "support/captures.h"
#include "support/fake_usb.h"
#include "tqusb/tqusb.h"

using namespace tQusb;
using tqtest::FakeUsb;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ExpandedInfoReply(uint8_t status) {
  Bytes reply(65, 0);
  reply[0] = status;
  const uint8_t record[] = {0x2A, 0x04, 0, 0, 0x03, 0x07, 0, 0, 0x80, 0x07, 0x38, 0x04};
  std::memcpy(&reply[1], record, sizeof record);
  std::memcpy(&reply[17], "Sensor", 6);
  return reply;
}

TEST(CameraOperations, ExpandedInformationRecordIsKeptInBothForms) {
  FakeUsb usb;
  CCamera camera;
  FakeUsb::Connect(camera, 2, 9);
  usb.Reply(ExpandedInfoReply(0x80));
  ASSERT_TRUE(camera.GetCameraInfo());
  EXPECT_EQ(usb.requests, std::vector<Bytes>({{0x00}}));
  EXPECT_EQ(usb.readSizes, std::vector<uint32_t>({65}));
  EXPECT_EQ(camera.Info.CameraId, 1066u);
  EXPECT_EQ(camera.Info.FilterCount, 7);
  EXPECT_EQ(camera.Info.Width, 1920);
  EXPECT_EQ(camera.Info.Height, 1080);
  EXPECT_STREQ(camera.Info.Text0, "Sensor");
  EXPECT_EQ(camera.PackedInfo.PackedFlags, 0x0724);
  EXPECT_EQ(camera.PackedInfo.CameraId, 1066u);
}

TEST(CameraOperations, PackedRecordIsReadForGenerationZeroAndKindsOneAndTwo) {
  const struct {
    int32_t generation;
    uint32_t kind;
  } cases[] = {{0, 17}, {1, 1}, {1, 2}};
  for (const auto& c : cases) {
    FakeUsb usb;
    CCamera camera;
    FakeUsb::Connect(camera, c.generation, c.kind);
    Bytes reply(61, 0);
    reply[0] = 0x80;
    reply[1] = 7;
    reply[5] = 0x02;  // six filter positions
    usb.Reply(reply);
    ASSERT_TRUE(camera.GetCameraInfo());
    EXPECT_EQ(usb.readSizes, std::vector<uint32_t>({61}));
    EXPECT_EQ(camera.Info.CameraId, 7u);
    EXPECT_EQ(camera.Info.FilterCount, 6);
  }
}

TEST(CameraOperations, InformationFailureStatusKeepsRecordAndConnection) {
  FakeUsb usb;
  CCamera camera;
  FakeUsb::Connect(camera, 3, 10);
  usb.Reply(ExpandedInfoReply(0x82));
  EXPECT_FALSE(camera.GetCameraInfo());
  EXPECT_STREQ(camera.LastError, "Instruction failed: Invalid parameter");
  EXPECT_EQ(camera.Info.CameraId, 0u);
  EXPECT_TRUE(camera.IsConnected());
}

TEST(CameraOperations, InformationTransferFailureDisconnects) {
  FakeUsb usb;
  tqtest::DebugCapture debug;
  CCamera camera;
  FakeUsb::Connect(camera, 3, 10);
  usb.FailRead();
  EXPECT_FALSE(camera.GetCameraInfo());
  EXPECT_EQ(debug.Lines(), std::vector<std::string>({"GetCameraInfo USB Read FAIL\n"}));
  EXPECT_FALSE(camera.IsConnected());
  EXPECT_FALSE(camera.GetCameraInfo());
  EXPECT_STREQ(camera.LastError, "CCD camera not connected to USB");
}

TEST(CameraOperations, VersionWordsOfGenerationsOneToFive) {
  FakeUsb usb;
  CCamera camera;
  FakeUsb::Connect(camera, 4, 11);
  camera.Ver130 = 99;
  usb.Reply({0x80, 0x09, 0x04});
  usb.Reply({0x81, 0x15, 0x00});  // refused: both bytes 0, sequence goes on
  usb.Reply({0x80, 0x05, 0x01});
  usb.Reply({0x83, 0x02, 0x00});  // refused: stays 0
  ASSERT_TRUE(camera.GetVersions());
  EXPECT_EQ(usb.requests,
            std::vector<Bytes>({{0x0F, 0x80}, {0x0F, 0x81}, {0x0F, 0x82}, {0x0F, 0x83}}));
  EXPECT_EQ(usb.readSizes, std::vector<uint32_t>({3, 3, 3, 3}));
  EXPECT_EQ(camera.Ver128Hi, 4);
  EXPECT_EQ(camera.Ver128Lo, 9);
  EXPECT_EQ(camera.Ver129Hi, 0);
  EXPECT_EQ(camera.Ver129Lo, 0);
  EXPECT_EQ(camera.Ver130, 0x0105);
  EXPECT_EQ(camera.Ver131, 0);
  EXPECT_STREQ(camera.LastError, "");
}

TEST(CameraOperations, VersionWordsOfGenerationZeroStopAfterTwo) {
  FakeUsb usb;
  CCamera camera;
  FakeUsb::Connect(camera, 0, 17);
  camera.Ver131 = 5;
  usb.Reply({0x80, 0x01, 0x02});
  usb.Reply({0x80, 0x03, 0x04});
  ASSERT_TRUE(camera.GetVersions());
  EXPECT_EQ(usb.requests, std::vector<Bytes>({{0x0E, 0x80}, {0x0E, 0x81}}));
  EXPECT_EQ(camera.Ver129Hi, 4);
  EXPECT_EQ(camera.Ver129Lo, 3);
  EXPECT_EQ(camera.Ver131, 0);
}

TEST(CameraOperations, VersionTransferFailureNamesItsStep) {
  FakeUsb usb;
  tqtest::DebugCapture debug;
  CCamera camera;
  FakeUsb::Connect(camera, 5, 14);
  usb.Reply({0x80, 1, 1});
  usb.Reply({0x80, 1, 1});
  usb.FailRead();
  EXPECT_FALSE(camera.GetVersions());
  EXPECT_EQ(debug.Lines(), std::vector<std::string>({"GetVersions USB Read3 FAIL\n"}));
  EXPECT_FALSE(camera.IsConnected());
}

TEST(CameraOperations, SubFrameBitNeedsBothBytes) {
  const struct {
    Bytes reply;
    bool bit;
    const char* error;
  } cases[] = {{{0x80, 0x80, 0x80}, true, ""},
               {{0x80, 0x80, 0x00}, false, ""},
               {{0x84, 0x80, 0x80}, false, "Instruction failed: Unspecified instruction failure"}};
  for (const auto& c : cases) {
    FakeUsb usb;
    CCamera camera;
    FakeUsb::Connect(camera, 0, 17);
    camera.Flags |= kFlagCanReadSubFrames;
    usb.Reply(c.reply);
    camera.CanReadSubFrames();
    EXPECT_EQ(usb.requests, std::vector<Bytes>({{0x0E, 0xFF}}));
    EXPECT_EQ((camera.Flags & kFlagCanReadSubFrames) != 0, c.bit);
    EXPECT_STREQ(camera.LastError, c.error);
  }
}

TEST(CameraOperations, SensorCommandsByGeneration) {
  constexpr int kUnsupported = -1;
  const struct {
    int32_t generation;
    int clear, open, close;
  } cases[] = {{0, 0x03, kUnsupported, kUnsupported}, {1, 0x04, 0x0C, 0x0D},
               {2, 0x04, kUnsupported, kUnsupported}, {3, 0x04, kUnsupported, kUnsupported},
               {4, 0x04, kUnsupported, kUnsupported}, {5, 0x04, 0x05, 0x06}};
  using Export = bool (*)(TQCAMERA);
  for (const auto& c : cases) {
    const std::pair<Export, int> calls[] = {
        {ClearCCD, c.clear},  {ClearSensor, c.clear}, {cameraClearSensor, c.clear}, {Open, c.open},
        {cameraOpen, c.open}, {Close, c.close},       {cameraClose, c.close}};
    for (const auto& [call, opcode] : calls) {
      FakeUsb usb;
      CCamera camera;
      FakeUsb::Connect(camera, c.generation);
      usb.Reply({0x80});
      const bool ok = call(&camera);
      if (opcode == kUnsupported) {
        EXPECT_FALSE(ok);
        EXPECT_STREQ(camera.LastError, "Camera does not support this feature");
        EXPECT_TRUE(usb.requests.empty());
      } else {
        EXPECT_TRUE(ok);
        EXPECT_EQ(usb.requests, std::vector<Bytes>({{static_cast<uint8_t>(opcode)}}));
      }
    }
  }
}

TEST(CameraOperations, GuardedExportsOfDisconnectedCameraSendNothing) {
  FakeUsb usb;
  CCamera camera;
  camera.Generation = 1;
  float value = 0;
  bool moving = false;
  uint32_t x = 0, y = 0, w = 0, h = 0;
  const bool results[] = {
      ClearSensor(&camera),         Open(&camera),
      cameraClose(&camera),         SetTemperature(&camera, -10.0f),
      GetValue(&camera, 0, &value), MoveInProgress(&camera, &moving),
      SetBinning(&camera, 2, 2),    cameraAdjustSubFrame(&camera, &x, &y, &w, &h),
      SetFan(&camera, 1),           ReadPowerUtilization(&camera, &value),
  };
  for (bool r : results) EXPECT_FALSE(r);
  EXPECT_STREQ(camera.LastError, "CCD camera not connected to USB");
  EXPECT_TRUE(usb.requests.empty());
  // A null handle is refused without a crash.
  EXPECT_FALSE(ClearSensor(nullptr));
  EXPECT_FALSE(cameraGetInteger(nullptr, 0, &x));
  GetLastErrorString(nullptr, 10, nullptr);
  RegisterNotifyHWND(nullptr, nullptr);
}

TEST(CameraOperations, LastErrorIsCopiedWithTheCallersHighIndex) {
  CCamera camera;
  camera.SetLastError("CCD camera not connected to USB");
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  GetLastErrorString(&camera, 9, buffer);
  EXPECT_EQ(std::string(buffer, 11), "CCD camera#");
  char whole[64];
  cameraGetLastErrorString(&camera, 63, whole);
  EXPECT_STREQ(whole, "CCD camera not connected to USB");
  GetLastErrorString(&camera, 10, nullptr);  // no buffer: nothing written
}

TEST(CameraOperations, NewObjectDefaults) {
  CCamera camera;
  EXPECT_STREQ(camera.LastError, "");
  EXPECT_EQ(camera.RequestedId, -1);
  for (usb::Handle h : {camera.hDevice, camera.hCommand, camera.hReply, camera.hImage})
    EXPECT_EQ(h, usb::kInvalidHandle);
  EXPECT_EQ(camera.SingleReadLimit, 0x1800000u);
  EXPECT_EQ(camera.BinningX, 1u);
  EXPECT_EQ(camera.BinningY, 1u);
  EXPECT_EQ(camera.ReadMode, 1u);
  EXPECT_EQ(camera.ReadModeG0, 0u);
  EXPECT_EQ(camera.PowerTimer, 1);
  EXPECT_EQ(camera.Generation, kNoGeneration);
  EXPECT_EQ(camera.CameraKind, 0u);
  EXPECT_EQ(camera.CropW, 0xFFFFFFFFu);
  EXPECT_DOUBLE_EQ(camera.ClockPeriod, 2.6666666666666667e-08);
}

}  // namespace
