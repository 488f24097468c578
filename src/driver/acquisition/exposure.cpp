// Exposure control by the host: begin, (host waits), end. The driver keeps no
// exposure state; the camera's status byte is the only judge of the order.
#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"
#include "driver/transport/command_channel.h"

namespace tQusb {
namespace {

constexpr uint8_t kOpcodeClearAndBeginG1 = 0x04;
constexpr uint8_t kOpcodeOpenG1 = 0x0C;
constexpr uint8_t kOpcodeCloseG1 = 0x0D;
constexpr uint8_t kOpcodeBegin = 0x07;
constexpr uint8_t kOpcodeEnd = 0x08;

bool IsLaterGeneration(int32_t generation) { return generation >= 2 && generation <= 5; }

}  // namespace

// Generation 1 starts integrating when the sensor is cleared; with the shutter
// flag the open command follows, but only after a successful clear.
bool CCamera::BeginExposure(uint8_t shutter) {
  if (IsLaterGeneration(Generation)) return ByteCommand(*this, kOpcodeBegin, shutter);
  if (Generation != 1) return Unsupported();
  const bool cleared = Command(*this, kOpcodeClearAndBeginG1);
  if (shutter == 0 || !cleared) return cleared;
  return Command(*this, kOpcodeOpenG1);
}

// Generations 2 to 5 take both flags in one request; generation 1 only closes
// the shutter when asked and otherwise has nothing to send.
bool CCamera::EndExposure(uint8_t shutter, uint8_t secondEnd) {
  if (IsLaterGeneration(Generation)) {
    if (!IsConnected()) {
      SetLastError(kTextNotConnected);
      return false;
    }
    const uint8_t request[3] = {kOpcodeEnd, shutter, secondEnd};
    if (!WriteRequest(*this, request, sizeof request, "EndExposure USB Write FAIL")) return false;
    uint8_t status = 0;
    if (!ReadReply(*this, &status, 1, "EndExposure USB Read FAIL")) return false;
    return CheckStatus(*this, status);
  }
  if (Generation != 1) return Unsupported();
  if (shutter == 0) return true;
  return Command(*this, kOpcodeCloseG1);
}

}  // namespace tQusb
