// Cooling set point, fan and window heating: one status command each, chosen
// by the camera's generation. The settings live in the camera; the library
// keeps none of them.
#include "driver/accessories/exchange.h"
#include "driver/accessories/value_scales.h"
#include "driver/transport/command_channel.h"

namespace tQusb {
namespace {

constexpr TOpcodeByGeneration kSetPointOpcodes = {kNoOpcode, 0x10, kNoOpcode,
                                                  kNoOpcode, 0x0C, 0x0C};
constexpr TOpcodeByGeneration kFanOpcodes = {0x0F, kNoOpcode, 0x0D, 0x0D, 0x0D, kNoOpcode};
constexpr TOpcodeByGeneration kWindowHeatingOpcodes = {kNoOpcode, 0x17,      kNoOpcode,
                                                       kNoOpcode, kNoOpcode, 0x0E};

}  // namespace

bool CCamera::SetTemperature(float temperature) {
  const uint8_t opcode = OpcodeForGeneration(*this, kSetPointOpcodes);
  if (opcode == kNoOpcode) return false;
  return WordCommand(*this, opcode, SetPointRaw(temperature, CameraKind));
}

// Speed and level go to the camera unchanged: the firmware decides what it
// supports.
bool CCamera::SetFan(uint8_t value) {
  const uint8_t opcode = OpcodeForGeneration(*this, kFanOpcodes);
  if (opcode == kNoOpcode) return false;
  return ByteCommand(*this, opcode, value);
}

bool CCamera::SetWindowHeating(uint8_t level) {
  const uint8_t opcode = OpcodeForGeneration(*this, kWindowHeatingOpcodes);
  if (opcode == kNoOpcode) return false;
  return ByteCommand(*this, opcode, level);
}

}  // namespace tQusb
