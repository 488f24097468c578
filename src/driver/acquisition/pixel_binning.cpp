// Block sums of the host binning. The factors 1 to 4 (all the host binning
// accepts) run through kernels with the factors as template arguments: the
// inner block loops unroll completely and the loop over the output columns
// vectorises with constant strides. Other factors take a plain loop.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "driver/acquisition/pixel_routines.h"

static_assert(std::endian::native == std::endian::little,
              "16-bit wire samples are read in host order");

namespace tQusb::Pixels {
namespace {

// The three ways a block sum ends.
struct TWrap16 {  // modulo 65536
  static uint16_t Apply(unsigned s) { return static_cast<uint16_t>(s); }
};
struct TLimit254 {  // 8-bit output that never shows 255
  static uint8_t Apply(unsigned s) { return static_cast<uint8_t>(std::min(s, 254u)); }
};
struct TLimit65535 {
  static uint16_t Apply(unsigned s) { return static_cast<uint16_t>(std::min(s, 65535u)); }
};

// One output row from BY source rows starting at `row`. Acc is the narrowest
// type that holds every sum exactly (or wraps as the result must).
template <unsigned BX, unsigned BY, typename Acc, typename End, typename Src, typename Out>
TQ_PIXEL_KERNEL void BinRow(const Src* __restrict row, size_t stride, unsigned width,
                            Out* __restrict out) {
  for (size_t j = 0; j < width; ++j) {
    Acc s = 0;
    for (size_t r = 0; r < BY; ++r)
      for (size_t k = 0; k < BX; ++k) s = static_cast<Acc>(s + row[r * stride + j * BX + k]);
    out[j] = End::Apply(s);
  }
}

template <unsigned BX, unsigned BY, typename Acc, typename End, typename Src, typename Out>
void BinFrame(const Src* src, size_t stride, unsigned ox, unsigned oy, unsigned width,
              unsigned height, Out* dst) {
  const Src* row = src + static_cast<size_t>(oy) * BY * stride + static_cast<size_t>(ox) * BX;
  for (unsigned i = 0; i < height; ++i, row += BY * stride, dst += width)
    BinRow<BX, BY, Acc, End>(row, stride, width, dst);
}

// Any factor: 32-bit sums, then the same ending.
template <typename End, typename Src, typename Out>
void BinFrameAny(const Src* src, size_t stride, unsigned bx, unsigned by, unsigned ox, unsigned oy,
                 unsigned width, unsigned height, Out* dst) {
  for (unsigned i = 0; i < height; ++i) {
    const Src* row =
        src + (static_cast<size_t>(oy) + i) * by * stride + static_cast<size_t>(ox) * bx;
    for (unsigned j = 0; j < width; ++j) {
      unsigned s = 0;
      for (unsigned r = 0; r < by; ++r)
        for (unsigned k = 0; k < bx; ++k) s += row[r * stride + static_cast<size_t>(j) * bx + k];
      *dst++ = End::Apply(s);
    }
  }
}

template <typename Acc, typename End, typename Src, typename Out>
using TBinKernel = void (*)(const Src*, size_t, unsigned, unsigned, unsigned, unsigned, Out*);

template <typename Acc, typename End, typename Src, typename Out, unsigned BY>
constexpr TBinKernel<Acc, End, Src, Out> KernelsRow[4] = {
    BinFrame<1, BY, Acc, End, Src, Out>, BinFrame<2, BY, Acc, End, Src, Out>,
    BinFrame<3, BY, Acc, End, Src, Out>, BinFrame<4, BY, Acc, End, Src, Out>};

template <typename Acc, typename End, typename Src, typename Out>
void Bin(const Src* src, size_t stride, unsigned bx, unsigned by, unsigned ox, unsigned oy,
         unsigned width, unsigned height, Out* dst) {
  if (bx == 0 || by == 0 || width == 0 || height == 0) return;
  if (bx > 4 || by > 4) {
    BinFrameAny<End>(src, stride, bx, by, ox, oy, width, height, dst);
    return;
  }
  static constexpr const TBinKernel<Acc, End, Src, Out>* kernels[4] = {
      KernelsRow<Acc, End, Src, Out, 1>, KernelsRow<Acc, End, Src, Out, 2>,
      KernelsRow<Acc, End, Src, Out, 3>, KernelsRow<Acc, End, Src, Out, 4>};
  kernels[by - 1][bx - 1](src, stride, ox, oy, width, height, dst);
}

}  // namespace

void BinSum16(const uint16_t* src, size_t stride, unsigned bx, unsigned by, unsigned ox,
              unsigned oy, unsigned width, unsigned height, uint16_t* dst) {
  Bin<uint16_t, TWrap16>(src, stride, bx, by, ox, oy, width, height, dst);
}

void BinSum8To16(const uint8_t* src, size_t stride, unsigned bx, unsigned by, unsigned ox,
                 unsigned oy, unsigned width, unsigned height, uint16_t* dst) {
  // 16 samples of at most 255 stay below 65536: no limit is needed.
  Bin<uint16_t, TWrap16>(src, stride, bx, by, ox, oy, width, height, dst);
}

void BinSum8(const uint8_t* src, size_t stride, unsigned bx, unsigned by, unsigned ox, unsigned oy,
             unsigned width, unsigned height, uint8_t* dst) {
  Bin<uint16_t, TLimit254>(src, stride, bx, by, ox, oy, width, height, dst);
}

void BinSum16Sat(const uint16_t* src, unsigned bx, unsigned by, unsigned width, unsigned height,
                 uint16_t* dst) {
  Bin<uint32_t, TLimit65535>(src, static_cast<size_t>(bx) * width, bx, by, 0, 0, width, height,
                             dst);
}

}  // namespace tQusb::Pixels
