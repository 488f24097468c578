#include "driver/transport/command_channel.h"

#include <gtest/gtest.h>

#include "common/temp_bus_root.h"
#include "driver/camera/camera.h"
#include "driver/transport/claims.h"
#include "support/captures.h"
#include "support/fake_backend.h"
#include "tqusb/runtime/str.h"
#include "tqusb/tqusb.h"

using namespace tQusb;
using tqtest::FakeBackend;

namespace {

TEST(CommandChannel, FailureStatusGivesBoundedReasonAndStaysConnected) {
  const struct {
    uint8_t status;
    const char* text;
  } cases[] = {
      {0x81, "Instruction failed: Invalid index"},
      {0x82, "Instruction failed: Invalid parameter"},
      {0x83, "Instruction failed: Unknown instruction"},
      {0x84, "Instruction failed: Unspecified instruction failure"},
      {0x00, "Instruction failed: Unknown return code"},
      {0x85, "Instruction failed: Unknown return code"},
  };
  FakeBackend backend;
  CCamera camera;
  FakeBackend::Connect(camera, 1);
  for (const auto& c : cases) {
    backend.Reply({c.status});
    EXPECT_FALSE(Command(camera, 0x04));
    EXPECT_STREQ(camera.LastError, c.text);
    EXPECT_TRUE(camera.IsConnected());
  }
  EXPECT_TRUE(backend.closed.empty());
  char text[12];
  InstructionFailureText(0x83, 9, text);  // cut at the caller's high index
  EXPECT_EQ(std::string(text, 10), "Instructio");
}

TEST(CommandChannel, TransferFailureWritesDebugLineAndDisconnectsWithOneNotice) {
  const struct {
    bool failWrite;
    int transaction;  // 0 Command, 1 ByteCommand, 2 WordCommand
    uint8_t opcode;
    const char* line;
  } cases[] = {
      {true, 0, 0x0D, "Command Write FAIL 13\n"},     {false, 0, 0x04, "Command Read FAIL 4\n"},
      {true, 1, 200, "ByteCommand Write FAIL 200\n"}, {false, 1, 3, "ByteCommand Read FAIL 3\n"},
      {true, 2, 0x17, "WordCommand Write FAIL 23\n"}, {false, 2, 0, "WordCommand Read FAIL 0\n"}};
  for (const auto& f : cases) {
    SCOPED_TRACE(f.line);
    TempBusRoot root;  // where the claims live
    FakeBackend backend;
    tqtest::DebugCapture debug;
    tqtest::NotifyCapture host;
    CCamera camera;
    FakeBackend::Connect(camera, 1);
    camera.NotifyWindow = host.Window();
    Str::CopyA(kDevicePathHigh, camera.DevicePath, 30, "\\\\?\\usb#fake#{claim-test}");
    ASSERT_TRUE(ClaimDevice(ClaimList(), kDevicePathHigh, camera.DevicePath));
    backend.failWrites = f.failWrite;
    if (!f.failWrite) backend.FailRead();

    bool ok = true;
    if (f.transaction == 0) ok = Command(camera, f.opcode);
    if (f.transaction == 1) ok = ByteCommand(camera, f.opcode, 1);
    if (f.transaction == 2) ok = WordCommand(camera, f.opcode, 1);
    EXPECT_FALSE(ok);

    EXPECT_EQ(debug.Lines(), std::vector<std::string>({f.line}));
    EXPECT_FALSE(camera.IsConnected());
    EXPECT_STREQ(camera.DevicePath, "");
    EXPECT_EQ(backend.closed,
              std::vector<transport::Handle>({FakeBackend::kDevice, FakeBackend::kCommand,
                                              FakeBackend::kReply, FakeBackend::kImage}));
    for (transport::Handle h : {camera.hDevice, camera.hCommand, camera.hReply, camera.hImage})
      EXPECT_EQ(h, transport::kInvalidHandle);
    EXPECT_STREQ(camera.LastError, "");
    // The claim is free again: this process can take it once more.
    EXPECT_TRUE(ClaimDevice(ClaimList(), 30, "\\\\?\\usb#fake#{claim-test}"));
    ReleaseDevice(ClaimList(), 30, "\\\\?\\usb#fake#{claim-test}");

    const auto messages = host.Take();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, 0x40Bu);
    EXPECT_EQ(messages[0].wparam, 0u);
    EXPECT_EQ(messages[0].lparam, reinterpret_cast<uint64_t>(&camera));
  }
}

TEST(CommandChannel, DisconnectOfClosedCameraStillNotifies) {
  FakeBackend backend;
  tqtest::NotifyCapture host;
  CCamera camera;
  camera.NotifyWindow = host.Window();
  Disconnect(camera, true);
  Disconnect(camera, false);
  EXPECT_TRUE(backend.closed.empty());
  const auto messages = host.Take();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, 0x40Bu);
}

TEST(CommandChannel, PlainDebugLineIsCutTo128Characters) {
  tqtest::DebugCapture debug;
  DebugLine("GetCameraInfo USB Read FAIL");
  DebugLine(std::string(200, 'x').c_str());
  const auto lines = debug.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "GetCameraInfo USB Read FAIL\n");
  EXPECT_EQ(lines[1], std::string(128, 'x'));
}

}  // namespace
