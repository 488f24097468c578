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
bool Transact(CCamera& camera, const TSensorRequest& request, const char* writeFail,
              const char* readFail) {
  if (!WriteRequest(camera, request.Bytes, request.Size, writeFail)) return false;
  uint8_t status = 0;
  if (!ReadReply(camera, &status, 1, readFail)) return false;
  return CheckStatus(camera, status);
}

}  // namespace

TSensorRequest TimingRequest(uint32_t cameraKind, uint8_t overlap, uint8_t delay) {
  TSensorRequest r;
  const ETimingEncoding encoding = KindTraitsOf(cameraKind).Timing;
  if (encoding == ETimingEncoding::OverlapAndDelay) {
    r.Bytes[0] = kOpcodeTiming;
    r.Bytes[1] = overlap;
    r.Bytes[2] = delay;
    r.Size = 3;
  } else if (encoding == ETimingEncoding::DelayOnly) {
    r.Bytes[0] = kOpcodeTiming;
    r.Bytes[1] = delay;
    r.Size = 2;
  }
  return r;
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

TSensorRequest PreflashRequest(double seconds, uint32_t count) {
  const uint16_t ms = PreflashMilliseconds(seconds);
  TSensorRequest r;
  r.Bytes[0] = kOpcodePreflash;
  r.Bytes[1] = static_cast<uint8_t>(ms & 0xFF);
  r.Bytes[2] = static_cast<uint8_t>(ms >> 8);
  r.Bytes[3] = static_cast<uint8_t>(count <= 16 ? count : 16);
  r.Size = 4;
  return r;
}

bool SetTiming(CCamera& camera, uint8_t overlap, uint8_t delay) {
  if (!camera.IsConnected()) {
    camera.SetLastError(kTextNotConnected);
    return false;
  }
  const TSensorRequest request = TimingRequest(camera.CameraKind, overlap, delay);
  if (request.Size == 0) {
    camera.SetLastError(kTextNoTiming);
    return false;
  }
  return Transact(camera, request, "SetTiming USB Write FAIL", "SetTiming USB Read FAIL");
}

bool CCamera::SetPreflash(double seconds, uint32_t count) {
  if (!IsConnected()) {
    SetLastError(kTextNotConnected);
    return false;
  }
  if (Generation != 1) return Unsupported();
  return Transact(*this, PreflashRequest(seconds, count), "SetPreflash USB Write FAIL",
                  "SetPreflash USB Read FAIL");
}

}  // namespace tQusb
