// Firmware answers without sockets: the status of unknown opcodes, bad
// parameters and indices per generation, and filter moves taking their time.
#include "core/firmware.h"

#include <gtest/gtest.h>

#include "core/model_config.h"

namespace tqsim {
namespace {

CameraModel ModelFor(int interfaceClass, std::optional<std::uint16_t> productId = std::nullopt) {
  CameraModel m;
  m.name = "test";
  m.interfaceClass = interfaceClass;
  m.productId = productId;
  m.width = 640;
  m.height = 480;
  m.filterCount = interfaceClass >= 9 ? 0 : 5;
  m.versions = {0x0307, 2, 3, 2};
  DeriveModel(m);
  return m;
}

TEST(SimFirmware, StatusOfUnknownOpcodesBadParametersAndIndices) {
  const CameraModel g0 = ModelFor(9), g1 = ModelFor(2), k4 = ModelFor(4), k7 = ModelFor(7),
                    g4 = ModelFor(1, 0x0C90), g5 = ModelFor(1, 0x0C26);
  CameraModel twoModes = g4;  // multi-mode firmware without extended versions
  twoModes.versions = {0x0401, 0, 0, 1};
  twoModes.readModes.clear();
  DeriveModel(twoModes);
  CameraModel receiver = g5;  // capability bit 2: a receiver is fitted
  receiver.caps = 4;
  DeriveModel(receiver);
  struct Case {
    const CameraModel* model;
    Bytes request;
    std::uint8_t status;
  };
  const Case cases[] = {
      {&g0, {0x01, 1}, kUnknownInstruction},
      {&g1, {0x07, 1}, kUnknownInstruction},
      {&g5, {0x0D, 1}, kUnknownInstruction},  // no fan command in generation 5
      {&g5, {0x18, 0, 0, 0, 0, 0}, kUnknownInstruction},
      {&g5, {}, kUnknownInstruction},
      {&k7, {0x19, 20}, kUnknownInstruction},
      {&g5, {0x17, 0, 1}, kInvalidParameter},  // wrong length
      {&g1, {0x00, 0}, kInvalidParameter},
      {&g1, {0x01, 5}, kInvalidParameter},
      {&g1, {0x01, 0}, kInvalidParameter},
      {&g1, {0x01, 4}, kOk},
      {&k4, {0x02, 2}, kInvalidParameter},  // quadrant camera bins no rows
      {&g1, {0x03, 2}, kInvalidParameter},  // kind 3 knows codes 0 and 1
      {&g0, {0x02, 3}, kInvalidParameter},
      {&g0, {0x02, 16}, kOk},
      {&g4, {0x03, 3}, kOk},  // extended versions: four modes
      {&g4, {0x03, 4}, kInvalidParameter},
      {&twoModes, {0x03, 1}, kOk},
      {&twoModes, {0x03, 2}, kInvalidParameter},
      {&g4, {0x17, 0, 241, 0}, kInvalidParameter},
      {&g4, {0x0F, 0x04}, kInvalidIndex},
      {&g0, {0x0E, 0x82}, kInvalidIndex},
      {&g1, {0x0E, 5}, kInvalidIndex},  // five filter positions: 0..4
      {&g1, {0x0E, 4}, kOk},
      {&g1, {0x18, 0x10, 0, 17}, kInvalidParameter},
      {&g1, {0x19, 20}, kOk},  // kind 3: delay only
      {&g1, {0x19, 10, 20}, kInvalidParameter},
      {&g4, {0x2D}, kUnknownInstruction},  // neither counter nor receiver
      {&g5, {0x2A}, kUnknownInstruction},  // a counter without a receiver
      {&g5, {0x2C}, kUnknownInstruction},
      {&g5, {0x2D}, kOk},
      {&receiver, {0x2B}, kOk},
      {&receiver, {0x2C}, kOk},
  };
  for (const Case& c : cases) {
    SimClock clock = SimClock::Frozen();
    Firmware fw(*c.model, clock);
    const Response r = fw.Handle(c.request);
    ASSERT_FALSE(r.reply.empty());
    EXPECT_EQ(r.reply[0], c.status) << "class " << c.model->interfaceClass << " opcode "
                                    << (c.request.empty() ? -1 : int(c.request[0]));
  }
}

TEST(SimFirmware, FilterMovesTakeTimeTheShortWayRound) {
  CameraModel m = ModelFor(2);
  m.filterCount = 8;
  m.physics.filterStepS = 0.5;
  SimClock clock = SimClock::Frozen();
  Firmware fw(m, clock);
  // 0 -> 3: three steps; 3 -> 7: four either way; 7 -> 0: one forward.
  const std::pair<std::uint8_t, double> moves[] = {{3, 1.5}, {7, 2.0}, {0, 0.5}};
  for (const auto& [position, seconds] : moves) {
    EXPECT_DOUBLE_EQ(fw.Handle(Bytes{0x0E, position}).delaySim, seconds) << int(position);
    EXPECT_TRUE(fw.FilterMoving());
    clock.Advance(seconds + 0.5);
  }
  const Response r = fw.Handle(Bytes{0x1B});  // a reset goes round once
  EXPECT_EQ(r.reply, (Bytes{0x80, 8}));
  EXPECT_DOUBLE_EQ(r.delaySim, 4.0);
  EXPECT_EQ(fw.State().filterPosition, 0);
}

}  // namespace
}  // namespace tqsim
