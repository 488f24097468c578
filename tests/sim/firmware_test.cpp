// Firmware answers without sockets: reply lengths per generation, status codes
// for bad parameters and indices, and the state a camera keeps.
#include "core/firmware.h"

#include <gtest/gtest.h>

#include <map>

#include "core/conversions.h"
#include "core/model_config.h"
#include "host_exchanges.h"

namespace tqsim {
namespace {

CameraModel ModelFor(int interfaceClass, std::optional<std::uint16_t> productId = std::nullopt) {
  CameraModel m;
  m.name = "test";
  m.interfaceClass = interfaceClass;
  m.productId = productId;
  m.cameraId = 77;
  m.width = 640;
  m.height = 480;
  m.filterCount = interfaceClass >= 9 ? 0 : 5;
  m.versions = {0x0307, 2, 3, 2};
  DeriveModel(m);
  m.cooled = m.Generation() != 2 && m.Generation() != 3;
  return m;
}

struct Fixture {
  explicit Fixture(const CameraModel& m, SimClock c = SimClock::Frozen())
      : clock(std::move(c)), fw(m, clock) {}
  Response Send(Bytes request) { return fw.Handle(request); }
  std::uint8_t Status(Bytes request) { return Send(std::move(request)).reply.at(0); }
  SimClock clock;
  Firmware fw;
};

TEST(SimFirmware, EveryHostRequestGetsItsReplyLength) {
  const std::vector<CameraModel> models = {ModelFor(9), ModelFor(2), ModelFor(1, 0x0C03),
                                           ModelFor(1, 0x0C90), ModelFor(1, 0x0C26)};
  for (const CameraModel& m : models) {
    Fixture f(m);
    for (const Exchange& e : HostExchanges(m.Generation())) {
      const Response r = f.Send(AcceptedRequest(m.Generation(), e));
      SCOPED_TRACE("generation " + std::to_string(m.Generation()) + " opcode " +
                   std::to_string(e.opcode));
      ASSERT_TRUE(r.hasReply);
      EXPECT_EQ(r.reply.size(), e.replyLength);
      EXPECT_EQ(r.reply[0], kOk);
    }
  }
}

TEST(SimFirmware, InfoRecordLengthAndIdFollowGenerationAndKind) {
  struct Case {
    CameraModel model;
    std::size_t length;
  };
  const Case cases[] = {{ModelFor(9), 61},          {ModelFor(7), 61}, {ModelFor(8), 61},
                        {ModelFor(2), 65},          {ModelFor(1), 65}, {ModelFor(1, 0x0C2C), 65},
                        {ModelFor(14), 61}};
  for (const Case& c : cases) {
    Fixture f(c.model);
    const Response r = f.Send({0x00});
    ASSERT_EQ(r.reply.size(), c.length);
    EXPECT_EQ(r.reply[0], kOk);
    EXPECT_EQ(GetU32(r.reply, 1), 77u);
    EXPECT_EQ(GetU16(r.reply, c.length == 61 ? 7 : 9), 640);
  }
}

TEST(SimFirmware, PackedFlagsCarryCapsWheelAndExtraBits) {
  CameraModel m = ModelFor(7);
  m.caps = 3;
  m.filterCount = 7;
  m.extra = 2;
  m.packedFlagBits = 0x40;
  EXPECT_EQ(PackedFlags(m), 0x2000 | 0x0700 | 0x03 | 0x04 | 0x20 | 0x40);
  m.filterCount = 5;
  EXPECT_EQ(PackedFlags(m) & 0x0F03, 0x01);
  m.filterCount = 6;
  EXPECT_EQ(PackedFlags(m) & 0x0F03, 0x02);
}

TEST(SimFirmware, UnknownOpcodesAndMalformedRequests) {
  Fixture g0(ModelFor(9)), g1(ModelFor(2)), g5(ModelFor(1, 0x0C26));
  EXPECT_EQ(g0.Status({0x01, 1}), kUnknownInstruction);
  EXPECT_EQ(g1.Status({0x07, 1}), kUnknownInstruction);
  EXPECT_EQ(g5.Status({0x0D, 1}), kUnknownInstruction);  // no fan command in generation 5
  EXPECT_EQ(g5.Status({0x18, 0, 0, 0, 0, 0}), kUnknownInstruction);
  EXPECT_EQ(g5.Status({0xEE}), kUnknownInstruction);
  EXPECT_EQ(g5.Status({}), kUnknownInstruction);
  // Wrong lengths keep the reply length of the opcode.
  const Response truncated = g5.Send({0x0F});
  EXPECT_EQ(truncated.reply.size(), 3u);
  EXPECT_EQ(truncated.reply[0], kInvalidParameter);
  EXPECT_EQ(g5.Status({0x17, 0, 1}), kInvalidParameter);
  EXPECT_EQ(g1.Status({0x00, 0}), kInvalidParameter);
}

TEST(SimFirmware, InvalidParametersAndIndices) {
  Fixture g1(ModelFor(2)), k4(ModelFor(4)), g4(ModelFor(1, 0x0C90)), g0(ModelFor(9));
  EXPECT_EQ(g1.Status({0x01, 5}), kInvalidParameter);
  EXPECT_EQ(g1.Status({0x01, 0}), kInvalidParameter);
  EXPECT_EQ(g1.Status({0x01, 4}), kOk);
  EXPECT_EQ(k4.Status({0x02, 2}), kInvalidParameter);  // quadrant camera bins no rows
  EXPECT_EQ(g1.Status({0x03, 2}), kInvalidParameter);  // kind 3 knows codes 0 and 1
  EXPECT_EQ(g0.Status({0x02, 3}), kInvalidParameter);
  EXPECT_EQ(g0.Status({0x02, 16}), kOk);
  EXPECT_EQ(g4.Status({0x03, 3}), kOk);                // extended versions: four modes
  EXPECT_EQ(g4.Status({0x03, 4}), kInvalidParameter);
  EXPECT_EQ(g4.Status({0x17, 0, 241, 0}), kInvalidParameter);
  EXPECT_EQ(g4.Status({0x0F, 0x04}), kInvalidIndex);
  EXPECT_EQ(g0.Status({0x0E, 0x82}), kInvalidIndex);
  EXPECT_EQ(g1.Status({0x0E, 5}), kInvalidIndex);      // five positions: 0..4
  EXPECT_EQ(g1.Status({0x0E, 4}), kOk);
  EXPECT_EQ(g1.Status({0x18, 0x10, 0, 17}), kInvalidParameter);
  EXPECT_EQ(g1.Status({0x19, 20}), kOk);                // kind 3: delay only
  EXPECT_EQ(g1.Status({0x19, 10, 20}), kInvalidParameter);
  EXPECT_EQ(Fixture(ModelFor(7)).Status({0x19, 20}), kUnknownInstruction);
}

TEST(SimFirmware, NonExtendedMultiModeCameraHasTwoReadModes) {
  CameraModel m = ModelFor(1, 0x0C90);
  m.versions = {0x0401, 0, 0, 1};
  m.readModes.clear();
  DeriveModel(m);
  Fixture f(m);
  EXPECT_EQ(f.Status({0x03, 1}), kOk);
  EXPECT_EQ(f.Status({0x03, 2}), kInvalidParameter);
  EXPECT_EQ(f.fw.State().readMode, 1);
}

TEST(SimFirmware, VersionWordsAndSubFrameQuery) {
  CameraModel m = ModelFor(9);
  m.subFrames = true;
  Fixture with(m);
  Response r = with.Send({0x0E, 0xFF});
  EXPECT_EQ(r.reply, (Bytes{0x80, 0x80, 0x80}));
  m.subFrames = false;
  Fixture without(m);
  r = without.Send({0x0E, 0xFF});
  EXPECT_EQ(r.reply[0], kOk);
  EXPECT_FALSE(r.reply[1] == 0x80 && r.reply[2] == 0x80);

  Fixture g5(ModelFor(1, 0x0C26));
  for (std::uint8_t i = 0; i < 4; ++i) {
    r = g5.Send({0x0F, static_cast<std::uint8_t>(0x80 + i)});
    EXPECT_EQ(GetU16(r.reply, 1), g5.fw.Model().versions[i]);
  }
}

TEST(SimFirmware, StateIsKept) {
  Fixture g4(ModelFor(1, 0x0C90));
  EXPECT_EQ(g4.Status({0x0D, 3}), kOk);
  EXPECT_EQ(g4.Status({0x17, 0, 200, 0}), kOk);
  EXPECT_EQ(g4.Status({0x10, 3}), kOk);
  EXPECT_EQ(g4.Status({0x07, 1}), kOk);
  EXPECT_TRUE(g4.fw.State().exposing);
  EXPECT_TRUE(g4.fw.State().shutterOpen);
  EXPECT_EQ(g4.Status({0x08, 1, 0}), kOk);
  const FirmwareState& s = g4.fw.State();
  EXPECT_EQ(s.fan, 3);
  EXPECT_EQ(s.gain, 200);
  EXPECT_EQ(s.filterPosition, 3);
  EXPECT_FALSE(s.exposing);
  EXPECT_FALSE(s.shutterOpen);

  Fixture g1(ModelFor(3));
  EXPECT_EQ(g1.Status({0x01, 2}), kOk);
  EXPECT_EQ(g1.Status({0x02, 3}), kOk);
  EXPECT_EQ(g1.Status({0x17, 9}), kOk);
  EXPECT_EQ(g1.Status({0x18, 0x0D, 0x00, 3}), kOk);
  EXPECT_EQ(g1.fw.State().binX, 2);
  EXPECT_EQ(g1.fw.State().binY, 3);
  EXPECT_EQ(g1.fw.State().heater, 9);
  EXPECT_EQ(g1.fw.State().preflashMs, 13);
  EXPECT_EQ(g1.fw.State().preflashCount, 3);
  g1.fw.PowerCycle();
  EXPECT_EQ(g1.fw.State().binX, 1);
  EXPECT_EQ(g1.fw.State().readMode, 1);
}

TEST(SimFirmware, GuidingPulsesEndAfterTheirDuration) {
  Fixture g3(ModelFor(1, 0x0C00));
  EXPECT_EQ(g3.Status({0x18, 0, 0xF4, 0x01, 0x38, 0xFF}), kOk);  // 500 ms and -200 ms
  Response r = g3.Send({0x19});
  ASSERT_EQ(r.reply.size(), 6u);
  EXPECT_EQ(GetU16(r.reply, 2), 500);
  EXPECT_EQ(GetU16(r.reply, 4), 200);
  g3.clock.Advance(0.3);
  r = g3.Send({0x19});
  EXPECT_EQ(GetU16(r.reply, 2), 200);
  EXPECT_EQ(GetU16(r.reply, 4), 0);
  g3.clock.Advance(0.3);
  r = g3.Send({0x19});
  EXPECT_EQ(GetU16(r.reply, 2), 0);

  Fixture g0(ModelFor(9));
  EXPECT_EQ(g0.Status({0x10, 0, 0, 100, 0}), kOk);
  EXPECT_EQ(g0.Send({0x11}).reply, (Bytes{0x80, 0x02}));
  g0.clock.Advance(0.2);
  EXPECT_EQ(g0.Send({0x11}).reply, (Bytes{0x80, 0x00}));

  Fixture instant(ModelFor(9), SimClock(0.0));
  EXPECT_EQ(instant.Status({0x10, 0x10, 0x27, 0, 0}), kOk);
  EXPECT_EQ(instant.Send({0x11}).reply, (Bytes{0x80, 0x00}));
}

TEST(SimFirmware, FilterMovesTakeTimeTheShortWayRound) {
  CameraModel m = ModelFor(2);
  m.filterCount = 8;
  m.physics.filterStepS = 0.5;
  Fixture f(m);
  Response r = f.Send({0x0E, 3});
  EXPECT_DOUBLE_EQ(r.delaySim, 1.5);
  EXPECT_TRUE(f.fw.FilterMoving());
  f.clock.Advance(1.5);
  r = f.Send({0x0E, 7});  // 3 -> 7: four steps either way
  EXPECT_DOUBLE_EQ(r.delaySim, 2.0);
  f.clock.Advance(2.0);
  r = f.Send({0x0E, 0});  // 7 -> 0: one step forward
  EXPECT_DOUBLE_EQ(r.delaySim, 0.5);
  f.clock.Advance(1.0);
  r = f.Send({0x1B});
  EXPECT_EQ(r.reply, (Bytes{0x80, 8}));
  EXPECT_DOUBLE_EQ(r.delaySim, 4.0);
  EXPECT_EQ(f.fw.State().filterPosition, 0);
}

TEST(SimFirmware, ImageRequestsAnswerOnTheImagePipe) {
  Fixture g0(ModelFor(9)), g1(ModelFor(2)), g3(ModelFor(1, 0x0C00));
  Response r = g0.Send({0x04});
  EXPECT_FALSE(r.hasReply);
  ASSERT_TRUE(r.image);
  EXPECT_EQ(r.image->size(), (640u + 2) * 4 * (480 + 4));  // two samples, prefix, extra rows
  r = g1.Send({0x0B, 0, 0, 10, 0, 0, 0, 10, 0});
  EXPECT_FALSE(r.hasReply);
  ASSERT_TRUE(r.image);
  EXPECT_EQ(r.image->size(), 10u * 10 * 2);
  r = g3.Send({0x09, 0, 0, 0, 0, 0, 10, 0, 10, 0});
  EXPECT_TRUE(r.hasReply);
  ASSERT_TRUE(r.image);
  EXPECT_EQ(r.image->size(), 10u * 10);  // the 8-bit default read mode
  EXPECT_EQ(r.reply, (Bytes{kOk}));
  // A window beyond the sensor: no pixels and a failure status.
  r = g3.Send({0x09, 0, 0, 0, 0, 0, 0x84, 0x02, 10, 0});
  EXPECT_TRUE(r.image->empty());
  EXPECT_EQ(r.reply, (Bytes{kInvalidParameter}));
  // A failure injected into an image request keeps the pipes in step too.
  r = g1.fw.FailWith(Bytes{0x0B, 0, 0, 10, 0, 0, 0, 10, 0}, kFailure);
  EXPECT_FALSE(r.hasReply);
}

}  // namespace
}  // namespace tqsim
