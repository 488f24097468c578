// An image as the library returned it: rows top to bottom, 8 or 16 bits per
// pixel (8-bit values are kept widened), with its statistics.
#pragma once

#include <cstdint>
#include <vector>

namespace tqcam {

struct Frame {
  uint32_t width = 0;
  uint32_t height = 0;
  int bitDepth = 16;
  std::vector<uint16_t> pixels;
};

struct FrameStats {
  uint16_t min = 0;
  uint16_t median = 0;
  uint16_t max = 0;
};

FrameStats Statistics(const Frame& frame);

// The value below which `fraction` (0..1) of the pixels lie.
uint16_t Percentile(const Frame& frame, double fraction);

}  // namespace tqcam
