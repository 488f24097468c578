// The single-command operations of the sensor: clearing, opening and closing.
#include "driver/camera/camera.h"
#include "driver/transport/command_channel.h"

namespace tQusb {
namespace {

// Opcode of a single-byte command per generation 0 to 5; 0xFF: not supported.
using TOpcodeByGeneration = uint8_t[6];
constexpr uint8_t kNone = 0xFF;

constexpr TOpcodeByGeneration kClearSensor = {0x03, 0x04, 0x04, 0x04, 0x04, 0x04};
constexpr TOpcodeByGeneration kOpen = {kNone, 0x0C, kNone, kNone, kNone, 0x05};
constexpr TOpcodeByGeneration kClose = {kNone, 0x0D, kNone, kNone, kNone, 0x06};

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
