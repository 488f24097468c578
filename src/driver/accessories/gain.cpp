// Analogue gain of the CMOS generations, in steps of 0.1 dB.
#include <algorithm>
#include <cmath>

#include "driver/accessories/exchange.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/protocol.h"

namespace tQusb {
namespace {

constexpr uint32_t kLargestGain = 240;

}  // namespace

bool CCamera::SetGain(uint16_t gain) {
  if (Generation < 0 || Generation >= kGenerationCount) return false;
  if (Generation < 2) return Unsupported();
  // The second byte is reserved; the gain goes out unclamped.
  const TRequest request = TRequest(opcode::gen2to5::kGain).Byte(0).Word(gain);
  uint8_t status = 0;
  if (!Exchange(*this, request, &status, 1, "SetGain USB Write FAIL", "SetGain USB Read FAIL"))
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
