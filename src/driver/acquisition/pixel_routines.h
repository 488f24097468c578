// Pixel routines of the image readout: binning sums, sample merging, quadrant
// reassembly, byte order and window copies. Each works on plain buffers the
// caller owns and allocates nothing, so the readout protocols can run them
// on the frame where the transfer left it (and tests and benchmarks can run
// them alone).
//
// Samples of the wire are 16-bit little-endian unless said otherwise; the
// routines read them as uint16_t, which is right on the little-endian hosts
// the library is built for (checked at compile time in the sources).
#pragma once

#include <cstddef>
#include <cstdint>

// Row kernels whose samples must be regrouped (three samples per pixel,
// rows written backwards, odd byte offsets) need byte shuffles that the
// baseline x86-64 instruction set lacks; they are also built for AVX2 and
// the loader picks the version the processor runs.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TQ_PIXEL_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define TQ_PIXEL_KERNEL
#endif

namespace tQusb::Pixels {

// Block sums over a frame of rows `stride` samples long. Output pixel (i, j),
// written row by row into `dst` (width x height), is the sum of the bx x by
// samples in rows (oy + i)·by .. +by-1 and columns (ox + j)·bx .. +bx-1.
// BinSum16 keeps the sum modulo 65536; BinSum8To16 widens 8-bit samples;
// BinSum8 limits the sum to 254 (a sum of 254 or more gives 254).
// Factors of 0 produce nothing.
void BinSum16(const uint16_t* src, size_t stride, unsigned bx, unsigned by, unsigned ox,
              unsigned oy, unsigned width, unsigned height, uint16_t* dst);
void BinSum8To16(const uint8_t* src, size_t stride, unsigned bx, unsigned by, unsigned ox,
                 unsigned oy, unsigned width, unsigned height, uint16_t* dst);
void BinSum8(const uint8_t* src, size_t stride, unsigned bx, unsigned by, unsigned ox, unsigned oy,
             unsigned width, unsigned height, uint8_t* dst);

// Block sums of an unbinned generation-0 image with rows of bx x width pixels,
// formed in 32 bits and limited to 65535.
void BinSum16Sat(const uint16_t* src, unsigned bx, unsigned by, unsigned width, unsigned height,
                 uint16_t* dst);

// Byte length of one received generation-0 row of `cols` pixels: 8 bytes of
// row header and one (or two) big-endian samples per pixel.
size_t G0RowBytes(unsigned cols, bool twoSamples);

// Generation-0 rows to 16-bit pixels: output row i (cols pixels) comes from
// received row rows - 1 - i. One sample: the big-endian samples from byte 8
// are swapped. Two samples: the truncated mean of the two big-endian samples
// that start at byte 9 + 4k. With two samples the last pixel of a row takes
// one byte of the following received row, so `frame` must hold rows + 1 rows
// (the camera sends 4 more than used).
void ConvertRowsG0(const uint8_t* frame, unsigned cols, unsigned rows, bool twoSamples,
                   uint16_t* dst);

// Generation-1 sample formats. Received row i goes to output row height-1-i.
// One sample per pixel, swapped from big-endian or copied as it is:
void SwapRowsFlipped(const uint16_t* src, unsigned width, unsigned height, uint16_t* dst);
void CopyRowsFlipped(const uint16_t* src, unsigned width, unsigned height, uint16_t* dst);
// Two samples per pixel, output = truncated mean of the pair. Big-endian
// samples are first swapped into `rowBuf` (2 x width samples).
void MeanOfPairsFlipped(const uint16_t* src, unsigned width, unsigned height, bool bigEndian,
                        uint16_t* rowBuf, uint16_t* dst);
// Three samples a, b, c per pixel: b and c are levelled to the frame mean of
// a, limited to 0..65535, and the median of the three is taken.
void MedianOfThree(const uint16_t* src, unsigned width, unsigned height, uint16_t* dst);

// Camera kind 4: four outputs read into one frame of width x height (both
// even) from hh x half groups of four samples, with the level offsets of each
// output and of the centre row.
struct TQuadrantOffsets {
  int32_t Offset1, Offset2, Offset3, Offset4, OffsetCL;
};
void JoinQuadrants(const uint16_t* src, unsigned width, unsigned height,
                   const TQuadrantOffsets& offsets, uint16_t* dst);

// Generations 2 to 5: 8-bit samples to 16-bit pixels of the same value, and
// the copy of a window (ox, oy, width, height) out of a frame of rows
// `stride` samples long.
void Widen8To16(const uint8_t* src, size_t count, uint16_t* dst);
void CopyWindow16(const uint16_t* src, size_t stride, unsigned ox, unsigned oy, unsigned width,
                  unsigned height, uint16_t* dst);
void CopyWindow8(const uint8_t* src, size_t stride, unsigned ox, unsigned oy, unsigned width,
                 unsigned height, uint8_t* dst);
void CopyWindow8To16(const uint8_t* src, size_t stride, unsigned ox, unsigned oy, unsigned width,
                     unsigned height, uint16_t* dst);

}  // namespace tQusb::Pixels
