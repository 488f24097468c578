// What the readout protocols share, and the entry from the camera exports.
#include <cmath>
#include <cstdlib>

#include "driver/acquisition/readout.h"
#include "driver/camera/camera.h"
#include "driver/transport/backend.h"
#include "driver/transport/command_channel.h"

namespace tQusb {
namespace readout {
namespace {

double Nearest(double v) {
  return std::trunc(v + 0.5);
}

// NaN counts as too long.
uint16_t Limited16(double count) {
  return count < 65535.0 ? static_cast<uint16_t>(Nearest(count)) : 65535;
}

}  // namespace

uint16_t ExposureG0(double seconds) {
  return Limited16(seconds * 8000.0);
}
uint16_t ExposureG1(double seconds) {
  return Limited16(seconds * 1000.0);
}

uint32_t ExposureG2(double seconds) {
  const double n = Nearest(seconds * 8000.0);
  if (!(n < 4294967295.0)) return 0xFFFFFFFE;
  return n > 0.0 ? static_cast<uint32_t>(n) : 0;
}

bool Grow(CCamera& camera, void** buffer, uint32_t* bufferSize, uint64_t size) {
  if (size > 0xFFFFFFFFull) return false;
  if (*bufferSize < size) {
    // The heap's own realloc, as Storage uses, but a refusal is survived.
    void* grown = std::realloc(*buffer, size);
    if (grown == nullptr) {
      DebugLine("GetImage work buffer allocation FAIL");
      Disconnect(camera, true);
      return false;
    }
    *buffer = grown;
    *bufferSize = static_cast<uint32_t>(size);
  }
  return true;
}

TRead ChunkedRead(CCamera& camera, void* data, uint64_t size, const char* loopFail,
                  const char* lastFail) {
  auto* at = static_cast<uint8_t*>(data);
  // A limit of 0 would never finish; one call then takes everything.
  const uint64_t limit = camera.SingleReadLimit != 0 ? camera.SingleReadLimit : size;
  while (size > limit) {
    uint32_t got = 0;
    if (!transport::Read(camera.hImage, at, static_cast<uint32_t>(limit), &got)) {
      DebugLine(loopFail);
      Disconnect(camera, true);
      return TRead::Failed;
    }
    if (got < limit) return TRead::Short;
    at += limit;
    size -= limit;
  }
  uint32_t got = 0;
  if (!transport::Read(camera.hImage, at, static_cast<uint32_t>(size), &got)) {
    DebugLine(lastFail);
    Disconnect(camera, true);
    return TRead::Failed;
  }
  return got < size ? TRead::Short : TRead::Complete;
}

}  // namespace readout

bool GetImageHelper(CCamera& camera, double exposure, bool shutter, bool eightBit,
                    const TImageWindow& window, uint32_t bufferSize, void* buffer) {
  // A missing buffer holds nothing: the protocols refuse it as too small.
  if (buffer == nullptr) bufferSize = 0;
  switch (camera.Generation) {
    case 0:
      // Generation-0 cameras never receive the shutter flag; they have no 8-bit output.
      return GetImage1(camera, exposure, window, bufferSize, buffer);
    case 1:
      if (camera.Traits->FourOutputs)
        return GetImage4(camera, exposure, shutter, window, bufferSize, buffer);
      return GetImage2(camera, exposure, shutter, window, bufferSize, buffer);
    case 2:
    case 3:
    case 4:
    case 5:
      return GetImage3(camera, exposure, shutter, eightBit, window, bufferSize, buffer);
    default:
      return false;
  }
}

namespace {

TImageWindow AsWindow(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  return {static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(width),
          static_cast<int32_t>(height)};
}

}  // namespace

bool CCamera::GetImage16(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t size,
                         void* buffer) {
  return GetImageHelper(*this, -1.0, false, false, AsWindow(x, y, width, height), size, buffer);
}

bool CCamera::GetImage8(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t size,
                        void* buffer) {
  return GetImageHelper(*this, -1.0, false, true, AsWindow(x, y, width, height), size, buffer);
}

bool CCamera::GetImageExposure16(double exposure, bool shutter, uint32_t x, uint32_t y,
                                 uint32_t width, uint32_t height, uint32_t size, void* buffer) {
  return GetImageHelper(*this, exposure, shutter, false, AsWindow(x, y, width, height), size,
                        buffer);
}

bool CCamera::GetImageExposure8(double exposure, bool shutter, uint32_t x, uint32_t y,
                                uint32_t width, uint32_t height, uint32_t size, void* buffer) {
  return GetImageHelper(*this, exposure, shutter, true, AsWindow(x, y, width, height), size,
                        buffer);
}

}  // namespace tQusb
