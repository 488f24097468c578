#include "driver/config/sensor_settings.h"

#include <cmath>

#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"
#include "driver/transport/command_channel.h"

namespace tQusb {
namespace {

// The wording is the one host programs already match on.
constexpr const char* kTextNoTiming = "Only Rev.H based cameras implemet programmable timing";

// One request and its status byte, with the operation's own debug lines for
// failed transfers.
bool Transact(CCamera& camera, const TRequest& request, const char* writeFail,
              const char* readFail) {
  if (!WriteRequest(camera, request, writeFail)) return false;
  uint8_t status = 0;
  if (!ReadReply(camera, &status, 1, readFail)) return false;
  return CheckStatus(camera, status);
}

}  // namespace

std::optional<TRequest> TimingRequest(uint32_t cameraKind, uint8_t overlap, uint8_t delay) {
  switch (KindTraitsOf(cameraKind).Timing) {
    case ETimingEncoding::OverlapAndDelay:
      return TRequest(opcode::gen1::kTiming).Byte(overlap).Byte(delay);
    case ETimingEncoding::DelayOnly:
      return TRequest(opcode::gen1::kTiming).Byte(delay);
    case ETimingEncoding::None:
      break;
  }
  return std::nullopt;
}

uint16_t PreflashMilliseconds(double seconds) {
  const double ms = seconds * 1000.0;
  if (ms > 65535.0) return 65535;
  const double whole = std::trunc(ms + 0.5);
  if (!std::isfinite(whole)) return 0;
  double low = std::fmod(whole, 65536.0);
  if (low < 0) low += 65536.0;
  return static_cast<uint16_t>(low);
}

TRequest PreflashRequest(double seconds, uint32_t count) {
  return TRequest(opcode::gen1::kPreflash)
      .Word(PreflashMilliseconds(seconds))
      .Byte(static_cast<uint8_t>(count <= 16 ? count : 16));
}

bool SetTiming(CCamera& camera, uint8_t overlap, uint8_t delay) {
  if (!camera.IsConnected()) return Fail(camera, kTextNotConnected);
  const std::optional<TRequest> request = TimingRequest(camera.CameraKind, overlap, delay);
  if (!request) return Fail(camera, kTextNoTiming);
  return Transact(camera, *request, "SetTiming USB Write FAIL", "SetTiming USB Read FAIL");
}

bool CCamera::SetPreflash(double seconds, uint32_t count) {
  if (!IsConnected()) return Fail(*this, kTextNotConnected);
  if (Generation != 1) return Unsupported();
  return Transact(*this, PreflashRequest(seconds, count), "SetPreflash USB Write FAIL",
                  "SetPreflash USB Read FAIL");
}

}  // namespace tQusb
