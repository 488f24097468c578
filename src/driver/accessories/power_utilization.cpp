// ReadPowerUtilization: the exchange that both the export and the periodic
// refresh run (the refresh with PowerUtilization as its target).
#include "driver/accessories/power_utilization.h"

#include "driver/accessories/exchange.h"
#include "driver/camera/camera_texts.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/protocol.h"

namespace tQusb {

unsigned PowerTimerPeriodMs = 10000;

namespace {

constexpr float kNoReading = -1.0f;

// a / (a + b) with the sum taken as an integer; a zero word on one side gives
// the end of the range, both zero gives no reading.
float PowerFraction(uint16_t a, uint16_t b) {
  if (a != 0 && b != 0)
    return static_cast<float>(a) / static_cast<float>(uint32_t{a} + uint32_t{b});
  if (a != 0) return 1.0f;
  if (b != 0) return 0.0f;
  return kNoReading;
}

}  // namespace

bool CCamera::ReadPowerUtilization(float* value) {
  if (value == nullptr) return false;
  // The export tests the connection before; only the refresh gets here
  // unconnected, and it records that it has no reading.
  if (!IsConnected()) {
    SetLastError(kTextNotConnected);
    *value = kNoReading;
    return false;
  }
  // Only kinds with a stored reading have it; others answer through value 11.
  if (!Traits->StoredPowerReading) return false;
  uint8_t reply[5] = {};
  if (!Exchange(*this, TRequest(opcode::gen1::kPowerReading), reply, sizeof reply,
                "ReadPowerUtilization USB Write FAIL", "ReadPowerUtilization USB Read FAIL"))
    return false;
  if (!CheckStatus(*this, reply[0])) {
    *value = kNoReading;
    return false;
  }
  *value = PowerFraction(static_cast<uint16_t>(reply[1] | (reply[2] << 8)),
                         static_cast<uint16_t>(reply[3] | (reply[4] << 8)));
  return true;
}

}  // namespace tQusb
