// Camera operations over a scripted USB driver: the version requests, the
// sub-frame query, the single-command exports and the last-error copy.
#include <gtest/gtest.h>

#include <cstring>

#include "driver/camera/camera.h"
#include "support/captures.h"
#include "support/fake_backend.h"
#include "tqusb/tqusb.h"

using namespace tQusb;
using tqtest::FakeBackend;

namespace {

using Bytes = std::vector<uint8_t>;

TEST(CameraOperations, VersionWordsOfGenerationsOneToFive) {
  FakeBackend backend;
  CCamera camera;
  FakeBackend::Connect(camera, 4, 11);
  camera.Ver130 = 99;
  backend.Reply({0x80, 0x09, 0x04});
  backend.Reply({0x81, 0x15, 0x00});  // refused: both bytes 0, sequence goes on
  backend.Reply({0x80, 0x05, 0x01});
  backend.Reply({0x83, 0x02, 0x00});  // refused: stays 0
  ASSERT_TRUE(camera.GetVersions());
  EXPECT_EQ(backend.requests,
            std::vector<Bytes>({{0x0F, 0x80}, {0x0F, 0x81}, {0x0F, 0x82}, {0x0F, 0x83}}));
  EXPECT_EQ(backend.readSizes, std::vector<uint32_t>({3, 3, 3, 3}));
  EXPECT_EQ(camera.Ver128Hi, 4);
  EXPECT_EQ(camera.Ver128Lo, 9);
  EXPECT_EQ(camera.Ver129Hi, 0);
  EXPECT_EQ(camera.Ver129Lo, 0);
  EXPECT_EQ(camera.Ver130, 0x0105);
  EXPECT_EQ(camera.Ver131, 0);
  EXPECT_STREQ(camera.LastError, "");
}

TEST(CameraOperations, VersionTransferFailureNamesItsStep) {
  FakeBackend backend;
  tqtest::DebugCapture debug;
  CCamera camera;
  FakeBackend::Connect(camera, 5, 14);
  backend.Reply({0x80, 1, 1});
  backend.Reply({0x80, 1, 1});
  backend.FailRead();
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
    FakeBackend backend;
    CCamera camera;
    FakeBackend::Connect(camera, 0, 17);
    camera.Flags |= kFlagCanReadSubFrames;
    backend.Reply(c.reply);
    camera.CanReadSubFrames();
    EXPECT_EQ(backend.requests, std::vector<Bytes>({{0x0E, 0xFF}}));
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
      FakeBackend backend;
      CCamera camera;
      FakeBackend::Connect(camera, c.generation);
      backend.Reply({0x80});
      const bool ok = call(&camera);
      if (opcode == kUnsupported) {
        EXPECT_FALSE(ok);
        EXPECT_STREQ(camera.LastError, "Camera does not support this feature");
        EXPECT_TRUE(backend.requests.empty());
      } else {
        EXPECT_TRUE(ok);
        EXPECT_EQ(backend.requests, std::vector<Bytes>({{static_cast<uint8_t>(opcode)}}));
      }
    }
  }
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
  // A null handle is refused without a crash.
  uint32_t value = 0;
  EXPECT_FALSE(ClearSensor(nullptr));
  EXPECT_FALSE(cameraGetInteger(nullptr, 0, &value));
  GetLastErrorString(nullptr, 10, nullptr);
  RegisterNotifyHWND(nullptr, nullptr);
}

}  // namespace
