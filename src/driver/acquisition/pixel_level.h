// A signed level offset added to 16-bit samples with the result limited to
// 0..65535, in 16-bit arithmetic so that the pixel loops keep all lanes of a
// vector: the sample is first clamped to the range in which the sum cannot
// leave 16 bits, then the offset is added modulo 65536. Offsets beyond
// +-65535 give the same results as +-65535.
#pragma once

#include <algorithm>
#include <cstdint>

namespace tQusb::Pixels {

struct TLevel16 {
  uint16_t Lo, Hi, Add;

  explicit TLevel16(int64_t offset) {
    const int64_t o = std::clamp<int64_t>(offset, -65535, 65535);
    Lo = static_cast<uint16_t>(o < 0 ? -o : 0);
    Hi = static_cast<uint16_t>(o > 0 ? 65535 - o : 65535);
    Add = static_cast<uint16_t>(o);
  }

  uint16_t Apply(uint16_t s) const {
    return static_cast<uint16_t>(std::min(std::max(s, Lo), Hi) + Add);
  }
};

}  // namespace tQusb::Pixels
