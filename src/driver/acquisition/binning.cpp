// Binning factors and the fitting of windows to what the camera can read.
// Generation-1 cameras bin themselves; every other generation bins on the
// host (factors 1 to 4).
#include "driver/acquisition/readout.h"
#include "driver/camera/camera.h"
#include "driver/transport/command_channel.h"

namespace tQusb {

namespace {

// Factor 0 would divide every readout by zero, so the host refuses it too.
bool SetFactor(CCamera& camera, uint8_t opcode, uint32_t factor, uint32_t* cameraField,
               uint32_t* hostField) {
  if (camera.Generation == 1) {
    if (!ByteCommand(camera, opcode, static_cast<uint8_t>(factor))) return false;
    *cameraField = factor;
    return true;
  }
  if (factor == 0 || factor >= 5) return Fail(camera, readout::kTextInvalidBinning);
  *hostField = factor;
  return true;
}

// Aligns one axis down to `step` and rounds its length up to a multiple of it,
// at least `minimum`; signed 32-bit comparisons on wrapping arithmetic.
void AlignAxis(uint32_t start, uint32_t length, uint32_t step, uint32_t minimum, uint32_t* aligned,
               uint32_t* alignedLength) {
  *aligned = start & ~(step - 1);
  const uint32_t n = length + (start - *aligned);
  *alignedLength = static_cast<int32_t>(n) < static_cast<int32_t>(minimum)
                       ? minimum
                       : (n + step - 1) & ~(step - 1);
}

}  // namespace

TImageWindow FitSubFrame(uint32_t cameraKind, uint32_t readMode, uint32_t sensorWidth,
                         uint32_t sensorHeight, const TImageWindow& window) {
  const TKindTraits& traits = KindTraitsOf(cameraKind);
  const uint32_t step = traits.WindowStep;
  const uint32_t minWidth =
      IsEightBitMode(readMode) ? traits.MinimumWidth8Bit : traits.MinimumWidth16Bit;
  const auto x = static_cast<uint32_t>(window.X), y = static_cast<uint32_t>(window.Y);
  const auto w = static_cast<uint32_t>(window.Width), h = static_cast<uint32_t>(window.Height);
  uint32_t xa, wn, ya, hn;
  AlignAxis(x, w, step, minWidth, &xa, &wn);
  AlignAxis(y, h, step, step, &ya, &hn);
  // Horizontally the aligned window is kept on the sensor; vertically the
  // overhang is measured on the values given.
  const uint32_t dx = xa + wn - sensorWidth;
  const uint32_t dy = y + h - sensorHeight;
  const uint32_t nx = static_cast<int32_t>(dx) > 0 ? xa - dx : xa;
  const uint32_t ny = static_cast<int32_t>(dy) > 0 ? ya - dy : ya;
  return {static_cast<int32_t>(nx), static_cast<int32_t>(ny), static_cast<int32_t>(wn),
          static_cast<int32_t>(hn)};
}

bool CCamera::SetBinningX(uint32_t x) {
  return SetFactor(*this, opcode::gen1::kBinningX, x, &BinningX, &HostBinningX);
}

bool CCamera::SetBinningY(uint32_t y) {
  return SetFactor(*this, opcode::gen1::kBinningY, y, &BinningY, &HostBinningY);
}

// A false result stores no text.
bool CCamera::AdjustSubFrame(uint32_t* x, uint32_t* y, uint32_t* width, uint32_t* height) {
  switch (Generation) {
    case 0:
      return (Flags & kFlagCanReadSubFrames) != 0;
    case 1:
      return !Traits->FourOutputs;
    case 2:
    case 3:
    case 4:
    case 5:
      break;
    default:
      return false;
  }
  if (Ver128Lo < 7 || x == nullptr || y == nullptr || width == nullptr || height == nullptr)
    return false;
  const TImageWindow in{static_cast<int32_t>(*x), static_cast<int32_t>(*y),
                        static_cast<int32_t>(*width), static_cast<int32_t>(*height)};
  const TImageWindow out = FitSubFrame(CameraKind, ReadMode, Info.Width, Info.Height, in);
  *x = static_cast<uint32_t>(out.X);
  *y = static_cast<uint32_t>(out.Y);
  *width = static_cast<uint32_t>(out.Width);
  *height = static_cast<uint32_t>(out.Height);
  return true;
}

}  // namespace tQusb
