// Exposure control by the host: begin, (host waits), end. The driver keeps no
// exposure state; the camera's status byte is the only judge of the order.
#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/protocol.h"

namespace tQusb {
namespace {

bool IsLaterGeneration(int32_t generation) { return generation >= 2 && generation <= 5; }

}  // namespace

// Generation 1 starts integrating when the sensor is cleared; with the shutter
// flag the open command follows, but only after a successful clear.
bool CCamera::BeginExposure(uint8_t shutter) {
  if (IsLaterGeneration(Generation))
    return ByteCommand(*this, opcode::gen2to5::kBeginExposure, shutter);
  if (Generation != 1) return Unsupported();
  const bool cleared = Command(*this, opcode::gen1::kClearAndBegin);
  if (shutter == 0 || !cleared) return cleared;
  return Command(*this, opcode::gen1::kOpenShutter);
}

// Generations 2 to 5 take both flags in one request; generation 1 only closes
// the shutter when asked and otherwise has nothing to send.
bool CCamera::EndExposure(uint8_t shutter, uint8_t secondEnd) {
  if (IsLaterGeneration(Generation)) {
    if (!IsConnected()) return Fail(*this, kTextNotConnected);
    const TRequest request = TRequest(opcode::gen2to5::kEndExposure).Byte(shutter).Byte(secondEnd);
    if (!WriteRequest(*this, request, "EndExposure USB Write FAIL")) return false;
    uint8_t status = 0;
    if (!ReadReply(*this, &status, 1, "EndExposure USB Read FAIL")) return false;
    return CheckStatus(*this, status);
  }
  if (Generation != 1) return Unsupported();
  if (shutter == 0) return true;
  return Command(*this, opcode::gen1::kCloseShutter);
}

}  // namespace tQusb
