// Cooling, values, gain and guiding over a scripted USB driver: the bytes each
// generation sends, the answers and texts, and the debug line and
// disconnection of a failed transfer.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "driver/camera/camera.h"
#include "support/captures.h"
#include "support/fake_backend.h"
#include "tqusb/tqusb.h"

using namespace tQusb;
using tqtest::FakeBackend;

namespace {

using Bytes = std::vector<uint8_t>;
// An operation; what it hands back to the host goes to `out` (preset 42).
using Call = std::function<bool(CCamera&, float& out)>;
const Bytes kOk = {0x80};
const char* const kUnsupported = "Camera does not support this feature";
const char* const kBadIndex = "Unsupported value index";
const char* const kBadParam = "Instruction failed: Invalid parameter";
constexpr float kUntouched = 42.0f;
constexpr float kRaw39047 = 0.00037384033f;  // fine scale, near 0 degrees

// clang-format off
Call Temperature(float t) { return [=](CCamera& c, float&) { return SetTemperature(&c, t); }; }
Call Fan(uint8_t v) { return [=](CCamera& c, float&) { return cameraSetFan(&c, v); }; }
Call Heating(uint8_t v) { return [=](CCamera& c, float&) { return SetWindowHeating(&c, v); }; }
Call Power() { return [](CCamera& c, float& out) { return ReadPowerUtilization(&c, &out); }; }
Call Gain(uint16_t g) { return [=](CCamera& c, float&) { return SetGain(&c, g); }; }
Call Move(uint16_t a, uint16_t b) {
  return [=](CCamera& c, float&) { return cameraMoveTelescope(&c, a, b); };
}
// clang-format on
Call Value(uint32_t index, uint16_t packedFlags = 0) {
  return [=](CCamera& c, float& out) {
    c.PackedInfo.PackedFlags = packedFlags;
    c.PowerUtilization = 0.25f;  // what the power timer stored last
    return cameraGetValue(&c, index, &out);
  };
}
Call Moving() {
  return [](CCamera& c, float& out) {
    uint8_t state = 42;
    const bool ok = MoveInProgress(&c, reinterpret_cast<bool*>(&state));
    out = state;
    return ok;
  };
}

TEST(AccessoryRequests, BytesResultsAndTextsByGeneration) {
  const struct {
    const char* name;
    int32_t generation;
    uint32_t kind;
    Call call;
    std::vector<Bytes> replies;
    bool ok;
    std::vector<Bytes> sent;
    const char* error;
    float out;  // what the host receives (within 1e-4)
  } cases[] = {
      // clang-format off
      {"set point k1 -20", 1, 1, Temperature(-20), {kOk}, true, {{0x10, 0x3E, 0x1D}}, "", 42},
      {"set point k11 -20", 4, 11, Temperature(-20), {kOk}, true, {{0x0C, 0xF9, 0x74}}, "", 42},
      {"set point g5 +100", 5, 14, Temperature(100), {kOk}, true, {{0x0C, 0xFF, 0xFF}}, "", 42},
      {"sp refused", 5, 14, Temperature(0), {{0x82}}, false, {{0x0C, 0x87, 0x98}}, kBadParam, 42},
      {"set point g0", 0, 17, Temperature(-20), {}, false, {}, kUnsupported, 42},
      {"set point g6", 6, 9, Temperature(-20), {}, false, {}, "", 42},
      {"fan g1", 1, 3, Fan(3), {}, false, {}, kUnsupported, 42},
      {"heating g4", 4, 11, Heating(7), {}, false, {}, kUnsupported, 42},
      {"power 300/100", 1, 1, Power(), {{0x80, 0x2C, 0x01, 0x64, 0}}, true, {{0x11}}, "", 0.75f},
      {"power a only", 1, 2, Power(), {{0x80, 5, 0, 0, 0}}, true, {{0x11}}, "", 1.0f},
      {"power none", 1, 1, Power(), {{0x80, 0, 0, 0, 0}}, true, {{0x11}}, "", -1.0f},
      {"power refused", 1, 1, Power(), {{0x82, 1, 0, 1, 0}}, false, {{0x11}}, kBadParam, -1.0f},
      {"power kind 11", 4, 11, Power(), {}, false, {}, "", 42},
      {"v k11 0", 4, 11, Value(0), {{0x80, 0x87, 0x98}}, true, {{0x0F, 0}}, "", kRaw39047},
      {"v k1 0", 1, 1, Value(0), {{0x80, 0x22, 0x26}}, true, {{0x0F, 0}}, "", 0.0025711059f},
      {"v g5 3", 5, 14, Value(3), {{0x80, 0x87, 0x98}}, true, {{0x0F, 1}}, "", kRaw39047},
      {"value g0 1/16", 0, 18, Value(0, 2), {{0x80, 0xF0, 0xFF}}, true, {{0x0E, 0}}, "", -1.0f},
      {"v g0 0", 0, 17, Value(0, 0xF00), {{0x80, 0xF0, 0xFF}}, true, {{0x0E, 0}}, "", 4521.1411f},
      {"value g0 analogue", 0, 17, Value(10), {{0x80, 0, 0x08}}, true, {{0x0E, 2}}, "", 17.9075f},
      {"value g5 analogue", 5, 14, Value(10), {{0x80, 0, 0x10}}, true, {{0x0F, 2}}, "", 1.1328125f},
      {"value k2 analogue", 1, 2, Value(10), {{0x80, 0, 0x10}}, true, {{0x0F, 2}}, "", 4.53125f},
      {"v k11 b=0", 4, 11, Value(11), {{0x80, 30, 0, 0, 0}}, true, {{0x11, 0}}, "", -1.0f},
      {"v k11 a/b", 4, 11, Value(11), {{0x80, 30, 0, 60, 0}}, true, {{0x11, 0}}, "", 0.5f},
      {"value k1 power stored", 1, 1, Value(11), {}, true, {}, "", 0.25f},
      {"value g2 1/1000", 2, 9, Value(20), {{0x80, 0x39, 0x30}}, true, {{0x0F, 3}}, "", 12.345f},
      {"value g3 sensor", 3, 10, Value(0), {{0x80, 0xFF, 0xFF}}, true, {{0x0F, 0}}, "", 255.99609f},
      {"value refused", 3, 10, Value(0), {{0x82, 1, 1}}, false, {{0x0F, 0}}, kBadParam, 42},
      {"value g2 index 10", 2, 9, Value(10), {}, false, {}, kBadIndex, 42},
      {"value g5 index 4", 5, 14, Value(4), {}, false, {}, kBadIndex, 42},
      {"value g6", 6, 14, Value(0), {}, false, {}, "", 42},
      {"gain refused", 2, 9, Gain(0xFFFF), {{0x82}}, false, {{0x17, 0, 0xFF, 0xFF}}, kBadParam, 42},
      {"gain g1", 1, 3, Gain(10), {}, false, {}, kUnsupported, 42},
      {"move refused", 4, 11, Move(0, 1), {{0x82}}, false, {{0x18, 0, 0, 0, 1, 0}}, kBadParam, 42},
      {"move g5", 5, 14, Move(1, 1), {}, false, {}, kUnsupported, 42},
      {"moving g4 idle", 4, 11, Moving(), {{0x80, 0xAA, 0, 0, 0, 0}}, true, {{0x19}}, "", 0},
      {"moving g4 second", 4, 11, Moving(), {{0x80, 0, 0, 0, 120, 0}}, true, {{0x19}}, "", 1},
      {"moving g0 as sent", 0, 17, Moving(), {{0x80, 2}}, true, {{0x11}}, "", 2},
      {"moving refused", 2, 9, Moving(), {{0x82, 0, 1, 0, 0, 0}}, false, {{0x19}}, kBadParam, 42},
      {"moving g1", 1, 3, Moving(), {}, false, {}, kUnsupported, 42},
      // clang-format on
  };
  for (const auto& c : cases) {
    FakeBackend backend;
    CCamera camera;
    FakeBackend::Connect(camera, c.generation, c.kind);
    for (const Bytes& r : c.replies) backend.Reply(r);
    float out = kUntouched;
    EXPECT_EQ(c.call(camera, out), c.ok) << c.name;
    EXPECT_EQ(backend.requests, c.sent) << c.name;
    EXPECT_STREQ(camera.LastError, c.error) << c.name;
    EXPECT_NEAR(out, c.out, 1e-4) << c.name;
    EXPECT_TRUE(backend.replies.empty()) << c.name;
    EXPECT_TRUE(camera.IsConnected()) << c.name;
  }
}

// Not connected: the exports fail before anything is sent and leave the
// host's value alone; the power refresh records that it has no reading.
// Missing result pointers are refused without traffic.
TEST(AccessoryRequests, RefusalsBeforeAnyTraffic) {
  const Call calls[] = {Temperature(0), Fan(1),  Heating(1), Power(),
                        Value(0),       Gain(1), Move(1, 1), Moving()};
  for (const Call& call : calls) {
    FakeBackend backend;
    CCamera camera;
    camera.Generation = 4;
    camera.SetKind(1);
    float out = kUntouched;
    EXPECT_FALSE(call(camera, out));
    EXPECT_STREQ(camera.LastError, "CCD camera not connected to USB");
    EXPECT_EQ(out, kUntouched);
    EXPECT_TRUE(backend.requests.empty());
  }

  FakeBackend backend;
  CCamera camera;
  camera.SetKind(1);
  uint64_t result = 0;
  EXPECT_FALSE(camera.HandleMessage(kMsgTimer, 1, 0, &result));
  EXPECT_EQ(camera.PowerUtilization, -1.0f);
  EXPECT_STREQ(camera.LastError, "CCD camera not connected to USB");

  FakeBackend::Connect(camera, 4, 1);
  EXPECT_FALSE(GetValue(&camera, 0, nullptr));
  EXPECT_FALSE(ReadPowerUtilization(&camera, nullptr));
  EXPECT_FALSE(MoveInProgress(&camera, nullptr));
  EXPECT_TRUE(backend.requests.empty());
}

// The read failure writes the same line with "Read" for "Write".
TEST(AccessoryRequests, FailedTransfersWriteTheirLineAndDisconnect) {
  const struct {
    int32_t generation;
    uint32_t kind;
    Call call;
    std::string writeLine;
  } cases[] = {
      {1, 1, Temperature(0), "WordCommand Write FAIL 16"},
      {1, 2, Power(), "ReadPowerUtilization USB Write FAIL"},
      {0, 17, Value(10), "GetValue USB Write1 FAIL"},
      {4, 11, Value(11), "GetValue USB Write2 FAIL"},
      {3, 9, Value(20), "GetValue USB Write3 FAIL"},
      {2, 9, Gain(1), "SetGain USB Write FAIL"},
      {0, 17, Move(1, 1), "MoveTelescope USB Write1 FAIL"},
      {4, 11, Move(1, 1), "MoveTelescope USB Write2 FAIL"},
      {0, 17, Moving(), "MoveInProgress USB Write1 FAIL"},
      {3, 9, Moving(), "MoveInProgress USB Write2 FAIL"},
  };
  for (const auto& c : cases) {
    for (bool failWrite : {true, false}) {
      FakeBackend backend;
      tqtest::DebugCapture debug;
      CCamera camera;
      FakeBackend::Connect(camera, c.generation, c.kind);
      backend.failWrites = failWrite;
      if (!failWrite) backend.FailRead();
      float out = kUntouched;
      std::string line = c.writeLine + "\n";
      if (!failWrite) line.replace(line.find("Write"), 5, "Read");
      EXPECT_FALSE(c.call(camera, out)) << line;
      EXPECT_FALSE(camera.IsConnected()) << line;
      EXPECT_EQ(out, kUntouched) << line;
      EXPECT_EQ(debug.Lines(), std::vector<std::string>({line}));
    }
  }
}

TEST(AccessoryRequests, ConvertGainNeedsNoCamera) {
  const double kTop = 15.848931924611133;  // 10^(24 / 20)
  const struct {
    uint32_t gain;
    double decibels, factor;
  } cases[] = {{0, 0, 1},        {15, 1.5, 1.1885022274370185}, {200, 20, 10}, {240, 24, kTop},
               {1000, 24, kTop}, {0xFFFFFFFF, 24, kTop}};
  for (const auto& c : cases) {
    double decibels = -1, factor = -1;
    EXPECT_TRUE(cameraConvertGain(nullptr, c.gain, &decibels, &factor));
    EXPECT_DOUBLE_EQ(decibels, c.decibels) << c.gain;
    EXPECT_DOUBLE_EQ(factor, c.factor) << c.gain;
  }
  EXPECT_TRUE(ConvertGain(nullptr, 10, nullptr, nullptr));
}

}  // namespace
