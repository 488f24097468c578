// The single-command operations of the sensor: clearing, opening and closing.
#include "driver/camera/camera.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/protocol.h"

namespace tQusb {
namespace {

// Opcode of a single-byte command per generation 0 to 5; 0xFF: not supported.
using TOpcodeByGeneration = uint8_t[6];
constexpr uint8_t kNone = 0xFF;

namespace g0 = opcode::gen0;
namespace g1 = opcode::gen1;
namespace gen2to5 = opcode::gen2to5;

// clang-format off
constexpr TOpcodeByGeneration kClearSensor = {g0::kClearSensor, g1::kClearAndBegin,
    gen2to5::kClearSensor, gen2to5::kClearSensor, gen2to5::kClearSensor, gen2to5::kClearSensor};
constexpr TOpcodeByGeneration kOpen = {kNone, g1::kOpenShutter, kNone, kNone, kNone,
                                       gen2to5::kOpenShutter};
constexpr TOpcodeByGeneration kClose = {kNone, g1::kCloseShutter, kNone, kNone, kNone,
                                        gen2to5::kCloseShutter};
// clang-format on

bool SendForGeneration(CCamera& camera, const TOpcodeByGeneration& opcodes) {
  if (camera.Generation < 0 || camera.Generation > 5) return camera.Unsupported();
  const uint8_t opcode = opcodes[camera.Generation];
  if (opcode == kNone) return camera.Unsupported();
  return Command(camera, opcode);
}

}  // namespace

bool CCamera::ClearSensor() {
  return SendForGeneration(*this, kClearSensor);
}
bool CCamera::Open() {
  return SendForGeneration(*this, kOpen);
}
bool CCamera::Close() {
  return SendForGeneration(*this, kClose);
}

}  // namespace tQusb
