#include "frame.h"

#include <algorithm>

namespace tqcam {

FrameStats Statistics(const Frame& frame) {
  if (frame.pixels.empty()) return {};
  const auto [lo, hi] = std::minmax_element(frame.pixels.begin(), frame.pixels.end());
  return {*lo, Percentile(frame, 0.5), *hi};
}

uint16_t Percentile(const Frame& frame, double fraction) {
  if (frame.pixels.empty()) return 0;
  // A histogram is exact for 16-bit values and needs no sorted copy.
  std::vector<uint32_t> counts(65536, 0);
  for (uint16_t p : frame.pixels) ++counts[p];
  const double target =
      std::clamp(fraction, 0.0, 1.0) * static_cast<double>(frame.pixels.size() - 1);
  uint64_t seen = 0;
  for (uint32_t v = 0; v < counts.size(); ++v) {
    seen += counts[v];
    if (static_cast<double>(seen) > target) return static_cast<uint16_t>(v);
  }
  return 65535;
}

}  // namespace tqcam
