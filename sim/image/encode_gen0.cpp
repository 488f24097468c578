// Generation 0: big-endian samples, an 8-byte prefix in front of every row
// and four extra rows after the image, rows sent bottom row first. With two
// samples per pixel the pixel bytes start one byte later (offset 9), so the
// last byte of a row's last pixel is the first byte of the next row.
#include <cmath>

#include "image/encode_rows.h"

namespace tqsim::image {

void EncodeGeneration0(const ReadoutCamera& camera, const ReadoutPlan& plan, PixelSource& source,
                       uint8_t* out) {
  const bool two = plan.format == SampleFormat::Gen0Double;
  const uint32_t cols = plan.window.width;
  const size_t rowBytes = plan.rowBytes;
  const size_t total = plan.bytes;
  // The prefix and the extra rows carry the overscan level.
  const auto overscan = static_cast<uint16_t>(std::lround(source.BlockBias(1, 1)));
  const size_t first = two ? 9 : 8;

  for (uint32_t r = 0; r < plan.rowsSent; ++r) {
    uint8_t* row = out + r * rowBytes;
    // Prefix samples; with two samples byte 0 belongs to the previous row.
    for (size_t b = (two && r > 0) ? 1 : 0; b < first; b += 2) {
      row[b] = static_cast<uint8_t>(overscan >> 8);
      if (b + 1 < first) row[b + 1] = static_cast<uint8_t>(overscan);
    }
  }
  auto putPixel = [&](uint8_t* row, uint32_t k, uint16_t a, uint16_t b, size_t rowStart) {
    if (!two) {
      PutBE(row + first + 2 * size_t{k}, a);
      return;
    }
    size_t at = first + 4 * size_t{k};
    PutBE(row + at, a);
    row[at + 2] = static_cast<uint8_t>(b >> 8);
    if (rowStart + at + 3 < total) row[at + 3] = static_cast<uint8_t>(b);
  };

  ForEachSentRow(
      source, plan.window, two ? 2 : 1, true, [&](uint32_t k, const uint16_t* const* samples) {
        uint8_t* row = out + size_t{k} * rowBytes;
        for (uint32_t j = 0; j < cols; ++j) {
          uint16_t a = ClampSample(int64_t{samples[0][j]} + camera.sampleLevels[0]);
          uint16_t b = two ? ClampSample(int64_t{samples[1][j]} + camera.sampleLevels[1]) : 0;
          putPixel(row, j, a, b, size_t{k} * rowBytes);
        }
      });
  for (uint32_t r = plan.window.height; r < plan.rowsSent; ++r) {
    uint8_t* row = out + size_t{r} * rowBytes;
    for (uint32_t j = 0; j < cols; ++j) putPixel(row, j, overscan, overscan, size_t{r} * rowBytes);
  }
}

}  // namespace tqsim::image
