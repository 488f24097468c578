// Reassembly of the four-output sensor of camera kind 4. Each group of four
// samples carries one pixel of every quarter; the left quarters fill their
// rows left to right, the right quarters right to left, the bottom quarters
// bottom up. The quarters meet in a centre row that both halves read.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "driver/acquisition/pixel_level.h"
#include "driver/acquisition/pixel_routines.h"

static_assert(std::endian::native == std::endian::little,
              "16-bit wire samples are read in host order");

namespace tQusb::Pixels {
namespace {

inline uint16_t Limit(int32_t v) {
  return static_cast<uint16_t>(std::clamp(v, 0, 65535));
}

// Row pair j: `groups` holds half groups; top and bottom are the two output rows.
TQ_PIXEL_KERNEL void JoinRowPair(const uint16_t* __restrict groups, unsigned half,
                                 const TLevel16* off, uint16_t* __restrict top,
                                 uint16_t* __restrict bottom) {
  const TLevel16 o1 = off[0], o2 = off[1], o3 = off[2], o4 = off[3];
  const size_t last = 2 * half - 1;
  for (size_t k = 0; k < half; ++k) {
    top[last - k] = o3.Apply(groups[4 * k]);
    bottom[last - k] = o2.Apply(groups[4 * k + 1]);
    bottom[k] = o1.Apply(groups[4 * k + 2]);
    top[k] = o4.Apply(groups[4 * k + 3]);
  }
}

void AddCentreRow(uint16_t* __restrict upper, const uint16_t* __restrict lower, unsigned n,
                  int32_t offsetCL) {
  for (size_t c = 0; c < n; ++c) upper[c] = Limit(upper[c] + lower[c] - offsetCL);
}

}  // namespace

void JoinQuadrants(const uint16_t* src, unsigned width, unsigned height,
                   const TQuadrantOffsets& offsets, uint16_t* dst) {
  const unsigned half = width / 2, hh = height / 2;
  if (half == 0 || hh == 0) return;
  const TLevel16 off[4] = {TLevel16(offsets.Offset1), TLevel16(offsets.Offset2),
                           TLevel16(offsets.Offset3), TLevel16(offsets.Offset4)};
  const size_t w = width;
  auto row = [dst, w](size_t r) { return dst + r * w; };
  // A centre-row sum below OffsetCL is floored at 0 like every other pixel.
  // OffsetCL beyond +-131072 gives the same limited results as that bound.
  const int32_t centre = std::clamp<int32_t>(offsets.OffsetCL, -131072, 131072);
  auto pair = [&](size_t j, uint16_t* top, uint16_t* bottom) {
    JoinRowPair(src + 4 * j * half, half, off, top, bottom);
  };
  if (height % 2 != 0) {
    // Odd heights (never read from a camera) take the steps as they are.
    for (size_t j = 0; j < hh; ++j) pair(j, row(j), row(height - 1 - j));
    AddCentreRow(row(hh - 1), row(hh), width, centre);
    std::memmove(row(hh), row(hh + 1), (height - 1 - hh) * w * sizeof(uint16_t));
    return;
  }
  // The bottom rows below the centre move up by one row, with the last row
  // kept as well. Each bottom row is written straight to its final place
  // instead: the centre pair first, whose bottom row only feeds the centre
  // sum and is then overwritten by the next pair's.
  pair(hh - 1, row(hh - 1), row(hh));
  AddCentreRow(row(hh - 1), row(hh), width, centre);
  for (size_t j = 0; j + 1 < hh; ++j) pair(j, row(j), row(height - 2 - j));
  if (hh > 1) std::memcpy(row(height - 1), row(height - 2), w * sizeof(uint16_t));
}

}  // namespace tQusb::Pixels
