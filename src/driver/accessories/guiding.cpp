// The telescope guiding port: the camera times a movement itself, so
// MoveTelescope starts it and MoveInProgress polls for its end.
#include <cstring>

#include "driver/accessories/exchange.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/protocol.h"

namespace tQusb {
namespace {

// Generation 0 has a port of its own; generations 2 to 4 share the other.
struct TGuidePort {
  uint8_t MoveOpcode;
  bool ReservedByte;  // a reserved byte (sent as 0) follows the opcode
  uint8_t StateOpcode;
  uint32_t StateReplySize;
  const char* MoveWriteFail;
  const char* MoveReadFail;
  const char* StateWriteFail;
  const char* StateReadFail;
};

// clang-format off
constexpr TGuidePort kPortG0 = {opcode::gen0::kGuideMove, false, opcode::gen0::kGuideState, 2,
    "MoveTelescope USB Write1 FAIL", "MoveTelescope USB Read1 FAIL",
    "MoveInProgress USB Write1 FAIL", "MoveInProgress USB Read1 FAIL"};
constexpr TGuidePort kPortG234 = {opcode::gen2to5::kGuideMove, true,
    opcode::gen2to5::kGuideState, 6,
    "MoveTelescope USB Write2 FAIL", "MoveTelescope USB Read2 FAIL",
    "MoveInProgress USB Write2 FAIL", "MoveInProgress USB Read2 FAIL"};
// clang-format on

constexpr const TGuidePort* kPorts[kGenerationCount] = {&kPortG0,   nullptr,    &kPortG234,
                                                        &kPortG234, &kPortG234, nullptr};

}  // namespace

bool CCamera::MoveTelescope(uint16_t firstAxis, uint16_t secondAxis) {
  const TGuidePort* port = ForGeneration(*this, kPorts);
  if (port == nullptr) return false;
  TRequest request(port->MoveOpcode);
  if (port->ReservedByte) request.Byte(0);
  request.Word(firstAxis).Word(secondAxis);
  uint8_t status = 0;
  if (!Exchange(*this, request, &status, 1, port->MoveWriteFail, port->MoveReadFail)) return false;
  return CheckStatus(*this, status);
}

bool CCamera::MoveInProgress(bool* moving) {
  const TGuidePort* port = ForGeneration(*this, kPorts);
  if (port == nullptr || moving == nullptr) return false;
  uint8_t reply[6] = {};
  if (!Exchange(*this, TRequest(port->StateOpcode), reply, port->StateReplySize,
                port->StateWriteFail, port->StateReadFail))
    return false;
  if (!CheckStatus(*this, reply[0])) return false;
  // Generation 0 hands its state byte over as it arrives (it may be above 1);
  // the others report the time left on each axis.
  const uint8_t state =
      port == &kPortG0 ? reply[1] : ((reply[2] | reply[3] | reply[4] | reply[5]) != 0 ? 1 : 0);
  std::memcpy(moving, &state, 1);
  return true;
}

}  // namespace tQusb
