// Exposure, sensor timing and preflash over a scripted USB driver: the bytes
// each generation and kind sends, the refusals with their texts, and the
// debug line and disconnection of a failed transfer.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

#include "driver/camera/camera.h"
#include "driver/config/sensor_settings.h"
#include "support/captures.h"
#include "support/fake_backend.h"
#include "tqusb/tqusb.h"

using namespace tQusb;
using tqtest::FakeBackend;

namespace {

using Bytes = std::vector<uint8_t>;
using Call = std::function<bool(CCamera&)>;
const Bytes kOk = {0x80};

Call Begin(uint8_t shutter) {
  return [=](CCamera& c) { return c.BeginExposure(shutter); };
}
Call End(uint8_t shutter, uint8_t second) {
  return [=](CCamera& c) { return c.EndExposure(shutter, second); };
}
Call Timing(uint8_t overlap, uint8_t delay) {
  return [=](CCamera& c) { return SetTiming(c, overlap, delay); };
}
Call Preflash(double seconds, uint32_t count) {
  return [=](CCamera& c) { return SetPreflash(&c, seconds, count); };
}
const Call kBeginExport = [](CCamera& c) { return BeginExposure(&c, true); };
const Call kEndExport = [](CCamera& c) { return cameraEndExposure(&c, true, true); };

const char* const kUnsupported = "Camera does not support this feature";
const char* const kNoTiming = "Only Rev.H based cameras implemet programmable timing";

TEST(SensorRequests, BytesResultsAndTextsByGenerationAndKind) {
  const struct {
    const char* name;
    int32_t generation;
    uint32_t kind;
    Call call;
    std::vector<Bytes> replies;
    bool ok;
    std::vector<Bytes> sent;
    const char* error;  // LastError afterwards
  } cases[] = {
      {"g1 begin, no shutter", 1, 9, Begin(0), {kOk}, true, {{0x04}}, ""},
      // A refused clear stops the shutter command.
      {"g1 begin, clear refused", 1, 9, Begin(1), {{0x84}}, false, {{0x04}},
       "Instruction failed: Unspecified instruction failure"},
      {"g1 begin, open refused", 1, 9, Begin(1), {kOk, {0x83}}, false, {{0x04}, {0x0C}},
       "Instruction failed: Unknown instruction"},
      {"g1 begin, no shutter, clear refused", 1, 9, Begin(0), {{0x81}}, false, {{0x04}},
       "Instruction failed: Invalid index"},
      {"g3 begin, raw flag", 3, 9, Begin(0x05), {kOk}, true, {{0x07, 0x05}}, ""},
      {"g5 begin refused", 5, 9, Begin(1), {{0x82}}, false, {{0x07, 0x01}},
       "Instruction failed: Invalid parameter"},
      {"g1 end, no shutter", 1, 9, End(0, 1), {}, true, {}, ""},
      {"g1 end, close refused", 1, 9, End(1, 1), {{0x84}}, false, {{0x0D}},
       "Instruction failed: Unspecified instruction failure"},
      {"g2 end", 2, 9, End(0, 1), {kOk}, true, {{0x08, 0x00, 0x01}}, ""},
      {"g4 end, raw flags", 4, 9, End(0x7F, 0xFF), {kOk}, true, {{0x08, 0x7F, 0xFF}}, ""},
      {"g5 end refused", 5, 9, End(1, 1), {{0x00}}, false, {{0x08, 0x01, 0x01}},
       "Instruction failed: Unknown return code"},
      {"g0 begin", 0, 17, kBeginExport, {}, false, {}, kUnsupported},
      {"g6 begin", 6, 9, kBeginExport, {}, false, {}, kUnsupported},
      {"g0 end", 0, 17, kEndExport, {}, false, {}, kUnsupported},
      {"no generation end", -1, 9, kEndExport, {}, false, {}, kUnsupported},

      {"timing kind 2", 1, 2, Timing(10, 20), {}, false, {}, kNoTiming},
      {"timing kind 7", 1, 7, Timing(10, 20), {kOk}, true, {{0x19, 0x0A, 0x14}}, ""},
      {"timing kind 9", 1, 9, Timing(10, 20), {}, false, {}, kNoTiming},
      {"timing refused", 1, 8, Timing(0, 2), {{0x82}}, false, {{0x19, 0x00, 0x02}},
       "Instruction failed: Invalid parameter"},

      {"preflash 16", 1, 3, Preflash(0.3, 16), {kOk}, true, {{0x18, 0x2C, 0x01, 0x10}}, ""},
      {"preflash 17", 1, 3, Preflash(0.3, 17), {kOk}, true, {{0x18, 0x2C, 0x01, 0x10}}, ""},
      {"preflash none", 1, 3, Preflash(0.0, 0), {kOk}, true, {{0x18, 0x00, 0x00, 0x00}}, ""},
      {"preflash refused", 1, 3, Preflash(1.0, 1), {{0x81}}, false, {{0x18, 0xE8, 0x03, 0x01}},
       "Instruction failed: Invalid index"},
      {"preflash g0", 0, 17, Preflash(1.0, 1), {}, false, {}, kUnsupported},
      {"preflash g2", 2, 9, Preflash(1.0, 1), {}, false, {}, kUnsupported},
  };
  for (const auto& c : cases) {
    FakeBackend backend;
    CCamera camera;
    FakeBackend::Connect(camera, c.generation, c.kind);
    for (const Bytes& r : c.replies) backend.Reply(r);
    EXPECT_EQ(c.call(camera), c.ok) << c.name;
    EXPECT_EQ(backend.requests, c.sent) << c.name;
    EXPECT_STREQ(camera.LastError, c.error) << c.name;
    EXPECT_TRUE(backend.replies.empty()) << c.name;
    EXPECT_TRUE(camera.IsConnected()) << c.name;
  }
}

// Requests of their own shape write the operation's debug line for the step
// that failed and disconnect, as every transaction does.
TEST(SensorRequests, FailedTransfersWriteTheirLineAndDisconnect) {
  const struct {
    const char* operation;
    int32_t generation;
    uint32_t kind;
    Call call;
  } cases[] = {{"SetTiming", 1, 3, Timing(0, 20)},
               {"SetPreflash", 1, 3, [](CCamera& c) { return c.SetPreflash(1.0, 1); }},
               {"EndExposure", 2, 9, End(1, 0)}};
  for (const auto& c : cases) {
    for (bool failWrite : {true, false}) {
      FakeBackend backend;
      tqtest::DebugCapture debug;
      CCamera camera;
      FakeBackend::Connect(camera, c.generation, c.kind);
      backend.failWrites = failWrite;
      if (!failWrite) backend.FailRead();
      EXPECT_FALSE(c.call(camera)) << c.operation;
      EXPECT_FALSE(camera.IsConnected()) << c.operation;
      EXPECT_EQ(camera.hCommand, transport::kInvalidHandle) << c.operation;
      const std::string line =
          std::string(c.operation) + (failWrite ? " USB Write FAIL\n" : " USB Read FAIL\n");
      EXPECT_EQ(debug.Lines(), std::vector<std::string>({line}));
    }
  }
}

TEST(SensorRequests, PreflashMilliseconds) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double seconds;
    uint16_t ms;
  } cases[] = {{0.0, 0},          {0.0125, 13},  {0.0124, 12},     {1.0, 1000}, {65.535, 65535},
               {65.6, 65535},     {inf, 65535},  {-0.002, 65535},  {-0.0004, 0}, {-70.0, 0xEE91},
               {nan, 0},          {-inf, 0},     {1e300, 65535},   {-1e300, 0}};
  for (const auto& c : cases) EXPECT_EQ(PreflashMilliseconds(c.seconds), c.ms) << c.seconds;
}

}  // namespace
