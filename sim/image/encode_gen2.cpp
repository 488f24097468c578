// Generations 2 to 5: rows from the top, one little-endian sample per pixel
// of the 12-bit range or, in the 8-bit read modes, one byte.
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
  const uint32_t cols = plan.window.width;
  const int32_t level = camera.sampleLevels[0];
  ForEachSentRow(source, plan.window, 1, false, [&](uint32_t k, const uint16_t* const* rows) {
    uint8_t* p = out + size_t{k} * plan.rowBytes;
    const uint16_t* row = rows[0];
    if (eightBit) {
      for (uint32_t j = 0; j < cols; ++j)
        p[j] = static_cast<uint8_t>(
            std::min<uint16_t>(ClampSample(int64_t{row[j]} + level) >> 8, kLargest8Bit));
    } else {
      for (uint32_t j = 0; j < cols; ++j)
        PutLE(p + 2 * size_t{j},
              std::min<uint16_t>(ClampSample(int64_t{row[j]} + level) >> 4, kLargest12Bit));
    }
  });
}

}  // namespace tqsim::image
