// Cooling set point, fan and window heating: one status command each, chosen
// by the camera's generation. The settings live in the camera; the library
// keeps none of them.
#include "driver/accessories/exchange.h"
#include "driver/accessories/value_scales.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/protocol.h"

namespace tQusb {
namespace {

namespace g0 = opcode::gen0;
namespace g1 = opcode::gen1;
namespace gen2to5 = opcode::gen2to5;
constexpr uint8_t kNo = kNoOpcode;

// clang-format off
constexpr TOpcodeByGeneration kSetPointOpcodes = {kNo, g1::kSetPoint, kNo, kNo,
                                                  gen2to5::kSetPoint, gen2to5::kSetPoint};
constexpr TOpcodeByGeneration kFanOpcodes = {g0::kFan, kNo, gen2to5::kFan, gen2to5::kFan,
                                             gen2to5::kFan, kNo};
constexpr TOpcodeByGeneration kWindowHeatingOpcodes = {kNo, g1::kWindowHeating, kNo, kNo, kNo,
                                                       gen2to5::kWindowHeating};
// clang-format on

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
