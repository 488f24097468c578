// Generation 1: camera-binned pixels, rows sent bottom row first, with one,
// two or three readings per pixel (big-endian on kinds 1 and 2), and kind 4,
// whose sensor is read through four outputs at once.
#include <cmath>

#include "image/encode_rows.h"

namespace tqsim::image {

void EncodeGeneration1(const ReadoutCamera& camera, const ReadoutPlan& plan, PixelSource& source,
                       uint8_t* out) {
  unsigned samples = 1;
  bool bigEndian = false;
  switch (plan.format) {
    case SampleFormat::U16BE:
      bigEndian = true;
      break;
    case SampleFormat::TwoBE:
      bigEndian = true;
      samples = 2;
      break;
    case SampleFormat::TwoLE:
      samples = 2;
      break;
    case SampleFormat::ThreeLE:
      samples = 3;
      break;
    default:
      break;
  }
  const uint32_t cols = plan.window.width;
  ForEachSentRow(source, plan.window, samples, true, [&](uint32_t k, const uint16_t* const* rows) {
    uint8_t* p = out + size_t{k} * plan.rowBytes;
    for (uint32_t j = 0; j < cols; ++j) {
      for (unsigned s = 0; s < samples; ++s, p += 2) {
        uint16_t v = ClampSample(int64_t{rows[s][j]} + camera.sampleLevels[s]);
        if (bigEndian)
          PutBE(p, v);
        else
          PutLE(p, v);
      }
    }
  });
}

// The four outputs read the quarters from the corners inwards: output 4 the
// top-left quarter, output 3 the top-right, output 1 the bottom-left and
// output 2 the bottom-right, each row from its outer edge to the centre.
// Groups of four samples (output 3, 2, 1, 4) go out for quarter row j (from
// the outer edge) and quarter column k. The sensor has one row less than the
// image: its centre row (scene row hh - 1) is split between the top and the
// bottom outputs, so each half carries part of its charge above the bias,
// and the bottom outputs carry scene rows h - 2 - j.
void EncodeQuadrants(const ReadoutCamera& camera, const ReadoutPlan& plan, PixelSource& source,
                     uint8_t* out) {
  const uint32_t w = plan.window.width;
  const uint32_t half = w / 2;
  const uint32_t hh = plan.rowsSent;
  const uint32_t sensorRows = plan.window.height;  // 2 * hh - 1
  std::vector<uint16_t> scene(size_t{w} * sensorRows);
  source.Render(plan.window, 0, scene.data());
  const int64_t bias = std::llround(source.BlockBias(plan.window.binX, plan.window.binY));
  const auto& level = camera.outputLevels;

  for (uint32_t j = 0; j < hh; ++j) {
    const uint16_t* topRow = &scene[size_t{j} * w];
    bool centre = j == hh - 1;
    const uint16_t* bottomRow = centre ? topRow : &scene[size_t{sensorRows - 1 - j} * w];
    for (uint32_t k = 0; k < half; ++k) {
      int64_t topRight = topRow[w - 1 - k], topLeft = topRow[k];
      int64_t bottomRight = bottomRow[w - 1 - k], bottomLeft = bottomRow[k];
      if (centre) {
        auto split = [bias](int64_t v, int64_t& upper, int64_t& lower) {
          upper = bias + static_cast<int64_t>(std::floor((v - bias) / 2.0));
          lower = v - upper + bias;
        };
        split(topRow[w - 1 - k], topRight, bottomRight);
        split(topRow[k], topLeft, bottomLeft);
      }
      uint8_t* g = out + (size_t{j} * half + k) * 8;
      PutLE(g + 0, ClampSample(topRight + level[2]));
      PutLE(g + 2, ClampSample(bottomRight + level[1]));
      PutLE(g + 4, ClampSample(bottomLeft + level[0]));
      PutLE(g + 6, ClampSample(topLeft + level[3]));
    }
  }
}

}  // namespace tqsim::image
