// Shared helpers of the image encoders: rendering a window strip by strip in
// the order its rows go on the wire, and writing samples.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/readout_plan.h"
#include "image/scene.h"

namespace tqsim::image {

constexpr size_t kEncodeStripPixels = size_t{1} << 18;

inline uint16_t ClampSample(int64_t v) {
  return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 65535));
}

inline void PutLE(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutBE(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

// Calls emit(k, rows) for every row of the window in sending order (k = 0 is
// the first row sent); rows[s] points at the window.width values of sample s.
template <class Emit>
void ForEachSentRow(PixelSource& source, const BlockWindow& window, unsigned samples, bool bottomUp,
                    Emit emit) {
  if (window.width == 0 || window.height == 0) return;
  uint32_t strip = static_cast<uint32_t>(
      std::clamp<size_t>(kEncodeStripPixels / window.width, 1, window.height));
  std::vector<uint16_t> buffers[3];
  for (unsigned s = 0; s < samples; ++s) buffers[s].resize(size_t{strip} * window.width);
  const uint16_t* rows[3] = {nullptr, nullptr, nullptr};
  for (uint32_t k = 0; k < window.height; k += strip) {
    uint32_t n = std::min(strip, window.height - k);
    BlockWindow part = window;
    part.height = n;
    part.y = bottomUp ? window.y + (window.height - k - n) : window.y + k;
    for (unsigned s = 0; s < samples; ++s) source.Render(part, s, buffers[s].data());
    for (uint32_t i = 0; i < n; ++i) {
      uint32_t local = bottomUp ? n - 1 - i : i;
      for (unsigned s = 0; s < samples; ++s)
        rows[s] = buffers[s].data() + size_t{local} * window.width;
      emit(k + i, rows);
    }
  }
}

void EncodeGeneration0(const ReadoutCamera& camera, const ReadoutPlan& plan, PixelSource& source,
                       uint8_t* out);
void EncodeGeneration1(const ReadoutCamera& camera, const ReadoutPlan& plan, PixelSource& source,
                       uint8_t* out);
void EncodeQuadrants(const ReadoutCamera& camera, const ReadoutPlan& plan, PixelSource& source,
                     uint8_t* out);
void EncodeGeneration2To5(const ReadoutCamera& camera, const ReadoutPlan& plan, PixelSource& source,
                          uint8_t* out);

}  // namespace tqsim::image
