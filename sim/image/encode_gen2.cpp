// Generations 2 to 5: rows from the top, one little-endian sample per pixel
// of the 12-bit range or, in the 8-bit read modes, one byte.
#include <cmath>

#include "image/encode_rows.h"

namespace tqsim::image {

namespace {

// The largest pixel values these cameras announce (integer parameter 17):
// the samples never go beyond them.
constexpr uint16_t kLargest12Bit = 4094;
constexpr uint16_t kLargest8Bit = 254;

}  // namespace

void EncodeGeneration2To5(const ReadoutCamera& camera, const ReadoutPlan& plan, PixelSource& source,
                          uint8_t* out) {
  const bool eightBit = plan.format == SampleFormat::U8;
  const int32_t level = camera.sampleLevels[0];
  auto put = [&](uint8_t* p, uint32_t j, uint16_t value) {
    if (eightBit)
      p[j] = static_cast<uint8_t>(
          std::min<uint16_t>(ClampSample(int64_t{value} + level) >> 8, kLargest8Bit));
    else
      PutLE(p + 2 * size_t{j},
            std::min<uint16_t>(ClampSample(int64_t{value} + level) >> 4, kLargest12Bit));
  };
  // Margin pixels outside the sensor are masked: they read the bias.
  const auto bias = static_cast<uint16_t>(std::lround(source.BlockBias(1, 1)));
  const uint32_t margin = plan.marginLeft, cols = plan.window.width;
  ForEachSentRow(source, plan.window, 1, false, [&](uint32_t k, const uint16_t* const* rows) {
    uint8_t* p = out + size_t{k} * plan.rowBytes;
    for (uint32_t j = 0; j < margin; ++j) put(p, j, bias);
    for (uint32_t j = 0; j < cols; ++j) put(p, margin + j, rows[0][j]);
  });
  for (uint32_t k = plan.window.height; k < plan.rowsSent; ++k)
    for (uint32_t j = 0; j < margin + cols; ++j) put(out + size_t{k} * plan.rowBytes, j, bias);
}

}  // namespace tqsim::image
