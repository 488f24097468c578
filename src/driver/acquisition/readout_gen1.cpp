// GetImage2 and GetImage4: the readouts of generation-1 cameras. The camera
// bins and sends rows bottom first, with one, two or three samples per pixel;
// the four-output sensor reads through four outputs and sends whole frames
// only. No status byte follows the pixels.
#include "driver/acquisition/pixel_routines.h"
#include "driver/acquisition/readout.h"
#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"
#include "driver/transport/backend.h"
#include "driver/transport/command_channel.h"

namespace tQusb {

using namespace readout;

namespace {

constexpr uint32_t kNoCrop = 0xFFFFFFFF;

// The window of the last exposure, or an exposure first.
TRequest WindowRequest(double exposure, bool shutter, int64_t rowStart, int64_t rows,
                       int64_t colStart, int64_t cols) {
  if (exposure < 0)
    return TRequest(opcode::gen1::kReadWindow).Word(rowStart).Word(rows).Word(colStart).Word(cols);
  return TRequest(opcode::gen1::kExposeWindow)
      .Word(rowStart)
      .Word(rows)
      .Word(colStart)
      .Word(cols)
      .Word(ExposureG1(exposure))
      .Byte(shutter ? 1 : 0);
}

// The chunked read with the short-read rule of generation 1.
bool ReadFrame(CCamera& camera, uint64_t n, const char* loopFail, const char* lastFail) {
  switch (ChunkedRead(camera, camera.ImageBuf, n, loopFail, lastFail)) {
    case TRead::Complete:
      return true;
    case TRead::Short:
      return Fail(camera, kTextLessPixels);
    case TRead::Failed:
      break;
  }
  return false;
}

}  // namespace

bool GetImage2(CCamera& camera, double exposure, bool shutter, const TImageWindow& window,
               uint32_t bufferSize, void* buffer) {
  if (!camera.IsConnected()) return Fail(camera, kTextNotConnected);
  int64_t width = window.Width, height = window.Height;
  if (width <= 0 || height <= 0) return Fail(camera, kTextInvalidSize);
  if (camera.BinningX == 0 || camera.BinningY == 0) return Fail(camera, kTextInvalidBinning);
  const int64_t bx = camera.BinningX, by = camera.BinningY;
  const int64_t fw = camera.Info.Width / bx, fh = camera.Info.Height / by;

  // The visible area of the sensor, in binned pixels.
  int64_t vx = 0, vy = 0, vw = fw, vh = fh;
  if (camera.CropX != kNoCrop && camera.CropY != kNoCrop && camera.CropW != kNoCrop &&
      camera.CropH != kNoCrop) {
    vx = static_cast<int32_t>(camera.CropX / bx);
    vy = static_cast<int32_t>(camera.CropY / by);
    vw = camera.CropW / bx;
    vh = camera.CropH / by;
    if (vx < 0) vx = 0;
    if (vx >= fw) vx = fw - 1;
    if (vy < 0) vy = 0;
    if (vy >= fh) vy = fh - 1;
    if (vx + vw > fw) vw = fw - vx;
    if (vy + vh > fh) vh = fh - vy;
  }
  // The caller's window is relative to the visible area.
  int64_t x = std::min<int64_t>(vx + window.X, vx + vw - 1);
  int64_t y = std::min<int64_t>(vy + window.Y, vy + vh - 1);
  if (x + width > vx + vw) width = vx + vw - x;
  if (y + height > vy + vh) height = vy + vh - y;
  const int64_t rowStart = fh - y - height;  // camera rows count from the bottom
  // Nothing of such a window lies on the sensor.
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || rowStart < 0)
    return Fail(camera, kTextInvalidSize);

  if (static_cast<int64_t>(bufferSize) < 2 * width * height)
    return Fail(camera, kTextBufferTooSmall);

  const TKindTraits& traits = *camera.Traits;
  const bool bigEndian = traits.BigEndianSamples;
  const int samples = camera.ReadMode < 3 ? traits.SamplesPerMode[camera.ReadMode] : 1;
  if (samples == 2 && bigEndian &&
      !Grow(camera, &camera.ImageBuf2, &camera.ImageBuf2Size, 4 * static_cast<uint64_t>(width)))
    return Fail(camera, kTextInvalidSize);
  const uint64_t n = static_cast<uint64_t>(width * height * 2 * samples);
  if (!Grow(camera, &camera.ImageBuf, &camera.ImageBufSize, n)) return Fail(camera, kTextInvalidSize);

  const TRequest request = WindowRequest(exposure, shutter, rowStart, height, x, width);
  if (!WriteRequest(camera, request.Data(), request.Size(), "GetImage2 USB Write FAIL"))
    return false;
  transport::ExpectImage(camera.hImage, exposure, n);
  if (!ReadFrame(camera, n, "GetImage2 USB Read1 FAIL", "GetImage2 USB Read2 FAIL")) return false;

  const auto* in = static_cast<const uint16_t*>(camera.ImageBuf);
  auto* out = static_cast<uint16_t*>(buffer);
  const auto w = static_cast<unsigned>(width), h = static_cast<unsigned>(height);
  if (samples == 3)
    Pixels::MedianOfThree(in, w, h, out);
  else if (samples == 2)
    Pixels::MeanOfPairsFlipped(in, w, h, bigEndian, static_cast<uint16_t*>(camera.ImageBuf2), out);
  else if (bigEndian)
    Pixels::SwapRowsFlipped(in, w, h, out);
  else
    Pixels::CopyRowsFlipped(in, w, h, out);
  return true;
}

bool GetImage4(CCamera& camera, double exposure, bool shutter, const TImageWindow& window,
               uint32_t bufferSize, void* buffer) {
  if (!camera.IsConnected()) return Fail(camera, kTextNotConnected);
  if (camera.BinningX == 0 || camera.BinningY == 0) return Fail(camera, kTextInvalidBinning);
  // One quarter of the image.
  const int64_t qc = camera.Info.Width / camera.BinningX, qr = camera.Info.Height / camera.BinningY;
  if (window.X != 0 || window.Y != 0 || window.Width != 2 * qc || window.Height != 2 * qr)
    return Fail(camera, kTextNoSubFrames);
  if (static_cast<int64_t>(bufferSize) < 2 * int64_t{window.Width} * window.Height)
    return Fail(camera, kTextBufferTooSmall);
  const uint64_t n = static_cast<uint64_t>(qc * qr * 8);
  if (!Grow(camera, &camera.ImageBuf, &camera.ImageBufSize, n)) return Fail(camera, kTextInvalidSize);

  const TRequest request = WindowRequest(exposure, shutter, 0, qr, 0, qc);
  if (!WriteRequest(camera, request.Data(), request.Size(), "GetImage4 USB Write FAIL"))
    return false;
  transport::ExpectImage(camera.hImage, exposure, n);
  if (!ReadFrame(camera, n, "GetImage4 USB Read1 FAIL", "GetImage4 USB Read2 FAIL")) return false;

  const Pixels::TQuadrantOffsets offsets{camera.Offset1, camera.Offset2, camera.Offset3,
                                         camera.Offset4, camera.OffsetCL};
  Pixels::JoinQuadrants(static_cast<const uint16_t*>(camera.ImageBuf),
                        static_cast<unsigned>(window.Width), static_cast<unsigned>(window.Height),
                        offsets, static_cast<uint16_t*>(buffer));
  return true;
}

}  // namespace tQusb
