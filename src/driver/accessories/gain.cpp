// Analogue gain of the CMOS generations, in steps of 0.1 dB.
#include <algorithm>
#include <cmath>

#include "driver/accessories/exchange.h"
#include "driver/transport/command_channel.h"

namespace tQusb {
namespace {

constexpr uint32_t kLargestGain = 240;

}  // namespace

bool CCamera::SetGain(uint16_t gain) {
  if (Generation < 0 || Generation >= kGenerationCount) return false;
  if (Generation < 2) return Unsupported();
  // The second byte is reserved; the gain goes out unclamped.
  const uint8_t request[4] = {0x17, 0x00, static_cast<uint8_t>(gain & 0xFF),
                              static_cast<uint8_t>(gain >> 8)};
  uint8_t status = 0;
  if (!Exchange(*this, request, sizeof request, &status, 1, "SetGain USB Write FAIL",
                "SetGain USB Read FAIL"))
    return false;
  return CheckStatus(*this, status);
}

// Needs no camera: the scale is the same for every model.
bool CCamera::ConvertGain(uint32_t gain, double* decibels, double* factor) {
  const double db = std::min(gain, kLargestGain) / 10.0;
  if (decibels != nullptr) *decibels = db;
  if (factor != nullptr) *factor = std::pow(10.0, db / 20.0);
  return true;
}

}  // namespace tQusb
