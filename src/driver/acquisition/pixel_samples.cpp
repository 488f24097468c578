// Sample formats of generations 0 and 1 and the plain copies of generations
// 2 to 5. Rows are contiguous and every pixel takes the same arithmetic, so
// the column loops vectorise; rows are turned upside down by walking the
// output rows backwards, never per pixel.
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

inline uint16_t Swap(uint16_t v) {
  return static_cast<uint16_t>((v << 8) | (v >> 8));
}

// Floor of (a + b) / 2 without leaving 16 bits.
inline uint16_t Mean(uint16_t a, uint16_t b) {
  return static_cast<uint16_t>((a & b) + ((a ^ b) >> 1));
}

TQ_PIXEL_KERNEL void SwapRow(const uint16_t* __restrict in, unsigned n, uint16_t* __restrict out) {
  for (size_t k = 0; k < n; ++k) out[k] = Swap(in[k]);
}

// A big-endian sample at any byte address.
inline uint16_t LoadBigEndian(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return Swap(v);
}

TQ_PIXEL_KERNEL void SwapBytesRow(const uint8_t* __restrict in, unsigned n,
                                  uint16_t* __restrict out) {
  for (size_t k = 0; k < n; ++k) out[k] = LoadBigEndian(in + 2 * k);
}

// Pixel k from the big-endian samples at in[4k], in[4k+1] and in[4k+2],
// in[4k+3] (`in` points at byte 9 of the row): the truncated mean of the two
// samples. The four bytes of a pixel are one load; swapping all four puts the
// first sample in the high half and the second in the low half.
TQ_PIXEL_KERNEL void MeanOfBigEndianPairsRow(const uint8_t* __restrict in, unsigned n,
                                             uint16_t* __restrict out) {
  for (size_t k = 0; k < n; ++k) {
    uint32_t v;
    std::memcpy(&v, in + 4 * k, sizeof v);
    const uint32_t w = __builtin_bswap32(v);
    out[k] = static_cast<uint16_t>(((w >> 16) + (w & 0xFFFFu)) >> 1);
  }
}

TQ_PIXEL_KERNEL void MeanOfPairsRow(const uint16_t* __restrict in, unsigned n,
                                    uint16_t* __restrict out) {
  for (size_t k = 0; k < n; ++k) out[k] = Mean(in[2 * k], in[2 * k + 1]);
}

TQ_PIXEL_KERNEL void MedianRow(const uint16_t* __restrict in, unsigned n, TLevel16 d1, TLevel16 d2,
                               uint16_t* __restrict out) {
  for (size_t k = 0; k < n; ++k) {
    const uint16_t a = in[3 * k];
    const uint16_t b = d1.Apply(in[3 * k + 1]);
    const uint16_t c = d2.Apply(in[3 * k + 2]);
    out[k] = std::max(std::min(a, b), std::min(std::max(a, b), c));
  }
}

TQ_PIXEL_KERNEL void WidenRow(const uint8_t* __restrict in, size_t n, uint16_t* __restrict out) {
  for (size_t k = 0; k < n; ++k) out[k] = in[k];
}

// A frame mean difference plus 0.5, truncated toward zero, with the means
// formed as double sums divided by the pixel count. The integer sums are exact
// in a double (below 2^53), so summing in 64-bit integers gives the same bits.
int32_t LevelShift(uint64_t sumA, uint64_t sumOther, double count) {
  const double ma = static_cast<double>(sumA) / count;
  const double mo = static_cast<double>(sumOther) / count;
  return static_cast<int32_t>(ma - mo + 0.5);
}

}  // namespace

size_t G0RowBytes(unsigned cols, bool twoSamples) {
  return (twoSamples ? 4 * static_cast<size_t>(cols) : 2 * static_cast<size_t>(cols)) + 8;
}

void ConvertRowsG0(const uint8_t* frame, unsigned cols, unsigned rows, bool twoSamples,
                   uint16_t* dst) {
  const size_t rowBytes = G0RowBytes(cols, twoSamples);
  for (unsigned i = 0; i < rows; ++i) {
    const uint8_t* row = frame + (rows - 1 - static_cast<size_t>(i)) * rowBytes;
    uint16_t* out = dst + static_cast<size_t>(i) * cols;
    if (twoSamples)
      MeanOfBigEndianPairsRow(row + 9, cols, out);
    else
      SwapBytesRow(row + 8, cols, out);
  }
}

void SwapRowsFlipped(const uint16_t* src, unsigned width, unsigned height, uint16_t* dst) {
  for (unsigned i = 0; i < height; ++i)
    SwapRow(src + static_cast<size_t>(i) * width, width,
            dst + (height - 1 - static_cast<size_t>(i)) * width);
}

void CopyRowsFlipped(const uint16_t* src, unsigned width, unsigned height, uint16_t* dst) {
  for (unsigned i = 0; i < height; ++i)
    std::memcpy(dst + (height - 1 - static_cast<size_t>(i)) * width,
                src + static_cast<size_t>(i) * width, width * sizeof(uint16_t));
}

void MeanOfPairsFlipped(const uint16_t* src, unsigned width, unsigned height, bool bigEndian,
                        uint16_t* rowBuf, uint16_t* dst) {
  for (unsigned i = 0; i < height; ++i) {
    const uint16_t* in = src + 2 * static_cast<size_t>(i) * width;
    if (bigEndian) {
      SwapRow(in, 2 * width, rowBuf);
      in = rowBuf;
    }
    MeanOfPairsRow(in, width, dst + (height - 1 - static_cast<size_t>(i)) * width);
  }
}

void MedianOfThree(const uint16_t* src, unsigned width, unsigned height, uint16_t* dst) {
  const size_t count = static_cast<size_t>(width) * height;
  if (count == 0) return;
  // 32-bit partial sums over at most 65536 pixels cannot overflow.
  uint64_t sums[3] = {0, 0, 0};
  const uint16_t* in = src;
  for (size_t left = count; left > 0;) {
    const size_t n = std::min<size_t>(left, 65536);
    uint32_t a = 0, b = 0, c = 0;
    for (size_t k = 0; k < n; ++k) {
      a += in[3 * k];
      b += in[3 * k + 1];
      c += in[3 * k + 2];
    }
    sums[0] += a, sums[1] += b, sums[2] += c;
    in += 3 * n, left -= n;
  }
  const double n = static_cast<double>(count);
  const int32_t d1 = LevelShift(sums[0], sums[1], n);
  const int32_t d2 = LevelShift(sums[0], sums[2], n);
  for (unsigned i = 0; i < height; ++i)
    MedianRow(src + 3 * static_cast<size_t>(i) * width, width, TLevel16(d1), TLevel16(d2),
              dst + (height - 1 - static_cast<size_t>(i)) * width);
}

void Widen8To16(const uint8_t* src, size_t count, uint16_t* dst) {
  WidenRow(src, count, dst);
}

void CopyWindow16(const uint16_t* src, size_t stride, unsigned ox, unsigned oy, unsigned width,
                  unsigned height, uint16_t* dst) {
  const uint16_t* row = src + static_cast<size_t>(oy) * stride + ox;
  for (unsigned i = 0; i < height; ++i, row += stride, dst += width)
    std::memcpy(dst, row, width * sizeof(uint16_t));
}

void CopyWindow8(const uint8_t* src, size_t stride, unsigned ox, unsigned oy, unsigned width,
                 unsigned height, uint8_t* dst) {
  const uint8_t* row = src + static_cast<size_t>(oy) * stride + ox;
  for (unsigned i = 0; i < height; ++i, row += stride, dst += width) std::memcpy(dst, row, width);
}

void CopyWindow8To16(const uint8_t* src, size_t stride, unsigned ox, unsigned oy, unsigned width,
                     unsigned height, uint16_t* dst) {
  const uint8_t* row = src + static_cast<size_t>(oy) * stride + ox;
  for (unsigned i = 0; i < height; ++i, row += stride, dst += width) WidenRow(row, width, dst);
}

}  // namespace tQusb::Pixels
