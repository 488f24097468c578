// GetImage1: the readout of generation-0 cameras. The camera sends whole rows
// with an 8-byte header, big-endian samples (two per pixel in the slow read
// mode), bottom row first and 4 rows more than asked; the driver bins.
#include <algorithm>

#include "driver/acquisition/pixel_routines.h"
#include "driver/acquisition/readout.h"
#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"
#include "driver/transport/backend.h"
#include "driver/transport/command_channel.h"

namespace tQusb {

using namespace readout;

bool GetImage1(CCamera& camera, double exposure, const TImageWindow& window, uint32_t bufferSize,
               void* buffer) {
  if (!camera.IsConnected()) return Fail(camera, kTextNotConnected);
  const int64_t hbx = camera.HostBinningX, hby = camera.HostBinningY;
  if (hbx == 0 || hby == 0 || camera.BinningX == 0 || camera.BinningY == 0)
    return Fail(camera, kTextInvalidBinning);
  const bool windows = (camera.Flags & kFlagCanReadSubFrames) != 0;
  int64_t x = window.X, y = window.Y, width = window.Width, height = window.Height;
  int64_t rowStart = 0;
  if (windows) {
    const int64_t fw = camera.PackedInfo.Width / (hbx * camera.BinningX);
    const int64_t fh = camera.PackedInfo.Height / (hby * camera.BinningY);
    if (x >= fw) x = fw - 1;
    if (y >= fh) y = fh - 1;
    if (x + width > fw) width = fw - x;
    if (y + height > fh) height = fh - y;
    rowStart = fh - y - height;  // camera rows count from the bottom edge
    // Windows are not refused, but one that ends up with no place on the
    // sensor (negative values) cannot be read.
    if (x < 0 || y < 0 || width < 0 || height < 0) return Fail(camera, kTextInvalidSize);
  } else if (x != 0 || y != 0 || width != camera.PackedInfo.Width / camera.BinningX ||
             height != camera.PackedInfo.Height / camera.BinningY) {
    return Fail(camera, kTextInvalidSize);
  }

  const bool binned = hbx > 1 || hby > 1;
  const int64_t cols = hbx * width, rows = hby * height;
  const int64_t c0 = hbx * x, r0 = hby * rowStart;
  const bool twoSamples = (camera.ReadModeG0 & 0x10) != 0;
  const int64_t cc = cols + (twoSamples ? 2 : 4), rr = rows + 4;

  if (static_cast<int64_t>(bufferSize) < 2 * width * height)
    return Fail(camera, kTextBufferTooSmall);
  const uint64_t n = static_cast<uint64_t>(cc * rr * (twoSamples ? 4 : 2));
  if (!Grow(camera, &camera.ImageBuf, &camera.ImageBufSize, n)) return Fail(camera, kTextInvalidSize);
  if (binned &&
      !Grow(camera, &camera.ImageBuf3, &camera.ImageBuf3Size, 2 * static_cast<uint64_t>(cols * rows)))
    return Fail(camera, kTextInvalidSize);

  TRequest request(opcode::gen0::kReadFrame);
  if (exposure < 0) {
    if (windows) request = TRequest(opcode::gen0::kReadWindow).Word(c0).Word(r0).Word(cc).Word(rr);
  } else if (windows) {
    request = TRequest(opcode::gen0::kExposeWindow)
                  .Word(c0)
                  .Word(r0)
                  .Word(cc)
                  .Word(rr)
                  .Word(ExposureG0(exposure));
  } else {
    request = TRequest(opcode::gen0::kExposeFrame).Word(ExposureG0(exposure));
  }
  if (!WriteRequest(camera, request.Data(), request.Size(), "GetImage1 USB Write FAIL"))
    return false;
  transport::ExpectImage(camera.hImage, exposure, n);

  // Generation-0 transfers are never split.
  uint32_t got = 0;
  if (!transport::Read(camera.hImage, camera.ImageBuf, static_cast<uint32_t>(n), &got)) {
    DebugLine("GetImage1 USB Read FAIL");
    Disconnect(camera, true);
    return false;
  }
  if (got < n) return Fail(camera, kTextLessPixels);

  auto* out = static_cast<uint16_t*>(binned ? camera.ImageBuf3 : buffer);
  Pixels::ConvertRowsG0(static_cast<const uint8_t*>(camera.ImageBuf), static_cast<unsigned>(cols),
                        static_cast<unsigned>(rows), twoSamples, out);
  if (binned)
    Pixels::BinSum16Sat(out, static_cast<unsigned>(hbx), static_cast<unsigned>(hby),
                        static_cast<unsigned>(width), static_cast<unsigned>(height),
                        static_cast<uint16_t*>(buffer));
  return true;
}

}  // namespace tQusb
