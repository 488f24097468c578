// GetImage3: the readout of generations 2 to 5. The camera sends unbinned
// rows top first, 16-bit little-endian or one byte per pixel in the 8-bit read
// modes, followed by a status byte on the reply pipe; the driver bins and cuts
// the caller's window out of the fetched frame.
#include "driver/acquisition/pixel_routines.h"
#include "driver/acquisition/readout.h"
#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"
#include "driver/transport/backend.h"
#include "driver/transport/command_channel.h"

namespace tQusb {

using namespace readout;

namespace {

// The frame asked of the camera, in unbinned camera pixels, and where the
// caller's window starts in it, in output pixels.
struct TFetch {
  int64_t ColStart, RowStart, Cols, Rows;
  int64_t Ox, Oy;
};

TFetch PlanFetch(const CCamera& camera, const TImageWindow& window, int64_t bx, int64_t by) {
  const int64_t sensorWidth = camera.Info.Width, sensorHeight = camera.Info.Height;
  if (camera.Ver128Lo < 7) return {0, 0, sensorWidth, sensorHeight, window.X, window.Y};
  const TImageWindow unbinned{
      static_cast<int32_t>(bx * window.X), static_cast<int32_t>(by * window.Y),
      static_cast<int32_t>(bx * window.Width), static_cast<int32_t>(by * window.Height)};
  const TImageWindow a = FitSubFrame(camera.CameraKind, camera.ReadMode, camera.Info.Width,
                                     camera.Info.Height, unbinned);
  // Our cameras count the column start of a window from the right edge of
  // the sensor for every window, so the start sent is W - aw - ax even when
  // the window begins at column 0 (where it is 0 only for a window that
  // spans the whole width). Sending 0 for every window at ax = 0 would read
  // the columns at the right edge for a narrow window at the left edge.
  return {sensorWidth - a.Width - a.X,     a.Y, a.Width, a.Height, (int64_t{unbinned.X} - a.X) / bx,
          (int64_t{unbinned.Y} - a.Y) / by};
}

}  // namespace

bool GetImage3(CCamera& camera, double exposure, bool shutter, bool eightBit,
               const TImageWindow& window, uint32_t bufferSize, void* buffer) {
  if (!camera.IsConnected()) return Fail(camera, kTextNotConnected);
  int64_t width = window.Width, height = window.Height;
  if (static_cast<int64_t>(bufferSize) < (eightBit ? 1 : 2) * width * height)
    return Fail(camera, kTextBufferTooSmall);
  // The binned window is compared with the unbinned sensor; the cut below
  // limits it to the fetched frame.
  if (window.X < 0 || window.Y < 0 || width < 1 || height < 1 ||
      window.X + width > camera.Info.Width || window.Y + height > camera.Info.Height)
    return Fail(camera, kTextInvalidSize);
  if (camera.HostBinningX == 0 || camera.HostBinningY == 0)
    return Fail(camera, kTextInvalidBinning);
  const int64_t bx = camera.HostBinningX, by = camera.HostBinningY;
  const bool binned = bx > 1 || by > 1;
  const bool mode8 = IsEightBitMode(camera.ReadMode);

  TFetch f = PlanFetch(camera, window, bx, by);
  const bool sameFrame =
      f.Ox == f.ColStart && f.Oy == f.RowStart && width == f.Cols && height == f.Rows;
  if (eightBit && !mode8) return Fail(camera, kTextNo8Bit);
  if (f.Cols < 0 || f.Rows < 0) return Fail(camera, kTextInvalidSize);

  const uint64_t n = static_cast<uint64_t>(f.Cols * f.Rows * (mode8 ? 1 : 2));
  const bool direct = sameFrame && !binned && (!mode8 || eightBit);
  if (!direct && !Grow(camera, &camera.ImageBuf, &camera.ImageBufSize, n))
    return Fail(camera, kTextInvalidSize);
  void* frame = direct ? buffer : camera.ImageBuf;

  const auto colStart = static_cast<uint32_t>(f.ColStart),
             rowStart = static_cast<uint32_t>(f.RowStart);
  const auto cols = static_cast<uint32_t>(f.Cols), rows = static_cast<uint32_t>(f.Rows);
  const TRequest request = exposure < 0 ? TRequest(opcode::gen2to5::kReadWindow)
                                              .Byte(0)
                                              .Word(colStart)
                                              .Word(rowStart)
                                              .Word(cols)
                                              .Word(rows)
                                        : TRequest(opcode::gen2to5::kExposeWindow)
                                              .Byte(shutter ? 1 : 0)
                                              .Word(colStart)
                                              .Word(rowStart)
                                              .Word(cols)
                                              .Word(rows)
                                              .Long(ExposureG2(exposure));
  if (!WriteRequest(camera, request.Data(), request.Size(), "GetImage3 USB Write FAIL"))
    return false;
  transport::ExpectImage(camera.hImage, exposure, n);
  const TRead read =
      ChunkedRead(camera, frame, n, "GetImage3 USB Read1 FAIL", "GetImage3 USB Read2 FAIL");
  if (read == TRead::Failed) return false;
  uint8_t status = 0;
  if (!ReadReply(camera, &status, 1, "GetImage3 USB Read3 FAIL")) return false;
  if (!CheckStatus(camera, status)) return false;
  if (read == TRead::Short) return Fail(camera, kTextLessPixels);

  // The caller's window within the fetched frame, in output pixels.
  const int64_t fw = binned ? f.Cols / bx : f.Cols, fh = binned ? f.Rows / by : f.Rows;
  if (f.Ox >= fw) f.Ox = fw - 1;
  if (f.Oy > fh) f.Oy = fh - 1;
  if (f.Ox + width > fw) width = fw - f.Ox;
  if (f.Oy + height > fh) height = fh - f.Oy;
  if (f.Ox < 0 || f.Oy < 0 || width <= 0 || height <= 0) return true;  // nothing to cut

  const auto ox = static_cast<unsigned>(f.Ox), oy = static_cast<unsigned>(f.Oy);
  const auto w = static_cast<unsigned>(width), h = static_cast<unsigned>(height);
  const auto* bytes = static_cast<const uint8_t*>(camera.ImageBuf);
  const auto* words = static_cast<const uint16_t*>(camera.ImageBuf);
  auto* out8 = static_cast<uint8_t*>(buffer);
  auto* out16 = static_cast<uint16_t*>(buffer);
  if (binned) {
    const auto ubx = static_cast<unsigned>(bx), uby = static_cast<unsigned>(by);
    if (mode8 && eightBit)
      Pixels::BinSum8(bytes, cols, ubx, uby, ox, oy, w, h, out8);
    else if (mode8)
      Pixels::BinSum8To16(bytes, cols, ubx, uby, ox, oy, w, h, out16);
    else
      Pixels::BinSum16(words, cols, ubx, uby, ox, oy, w, h, out16);
  } else if (!sameFrame) {
    if (mode8 && eightBit)
      Pixels::CopyWindow8(bytes, cols, ox, oy, w, h, out8);
    else if (mode8)
      Pixels::CopyWindow8To16(bytes, cols, ox, oy, w, h, out16);
    else
      Pixels::CopyWindow16(words, cols, ox, oy, w, h, out16);
  } else if (mode8 && !eightBit) {
    Pixels::Widen8To16(bytes, n, out16);
  }
  return true;
}

}  // namespace tQusb
