// The pixel routines against plain reference loops written from their
// definitions, over random frames of odd sizes and every factor 1 to 4.
#include "driver/acquisition/pixel_routines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace P = tQusb::Pixels;

namespace {

template <typename T>
std::vector<T> RandomFrame(size_t n, unsigned seed, unsigned maxValue) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<unsigned> dist(0, maxValue);
  std::vector<T> v(n);
  for (T& x : v) x = static_cast<T>(dist(gen));
  return v;
}

struct TGrid {
  unsigned stride, rows, bx, by, ox, oy, width, height;
};

// Every factor pair with a frame of odd size and a block grid that starts
// away from the origin and ends at the last full block.
std::vector<TGrid> Grids() {
  std::vector<TGrid> grids;
  for (unsigned bx = 1; bx <= 4; ++bx)
    for (unsigned by = 1; by <= 4; ++by) {
      const unsigned stride = 37 + bx, rows = 23 + by;
      const unsigned ox = bx % 3, oy = by % 2;
      grids.push_back({stride, rows, bx, by, ox, oy, stride / bx - ox, rows / by - oy});
    }
  return grids;
}

template <typename Src>
unsigned BlockSum(const std::vector<Src>& f, const TGrid& g, unsigned i, unsigned j) {
  unsigned s = 0;
  for (unsigned r = (g.oy + i) * g.by; r < (g.oy + i) * g.by + g.by; ++r)
    for (unsigned c = (g.ox + j) * g.bx; c < (g.ox + j) * g.bx + g.bx; ++c)
      s += f[r * g.stride + c];
  return s;
}

TEST(PixelBinning, BlockSumsMatchReferenceForEveryFactor) {
  unsigned seed = 1;
  for (const TGrid& g : Grids()) {
    SCOPED_TRACE(testing::Message() << "bx " << g.bx << " by " << g.by);
    const size_t n = size_t(g.stride) * g.rows, out = size_t(g.width) * g.height;
    // Values from the whole range, so 16-bit sums wrap and 8-bit sums pass 254.
    auto f16 = RandomFrame<uint16_t>(n, seed++, 65535);
    auto f8 = RandomFrame<uint8_t>(n, seed++, 255);
    std::vector<uint16_t> got16(out), got8to16(out);
    std::vector<uint8_t> got8(out);
    P::BinSum16(f16.data(), g.stride, g.bx, g.by, g.ox, g.oy, g.width, g.height, got16.data());
    P::BinSum8To16(f8.data(), g.stride, g.bx, g.by, g.ox, g.oy, g.width, g.height, got8to16.data());
    P::BinSum8(f8.data(), g.stride, g.bx, g.by, g.ox, g.oy, g.width, g.height, got8.data());
    for (unsigned i = 0; i < g.height; ++i)
      for (unsigned j = 0; j < g.width; ++j) {
        const size_t o = size_t(i) * g.width + j;
        ASSERT_EQ(got16[o], BlockSum(f16, g, i, j) % 65536) << i << "," << j;
        ASSERT_EQ(got8to16[o], BlockSum(f8, g, i, j)) << i << "," << j;
        ASSERT_EQ(got8[o], std::min(BlockSum(f8, g, i, j), 254u)) << i << "," << j;
      }
  }
}

TEST(PixelBinning, Generation0SumsMatchReference) {
  unsigned seed = 100;
  for (unsigned bx = 1; bx <= 4; ++bx)
    for (unsigned by = 1; by <= 4; ++by) {
      const unsigned w = 19, h = 7;
      auto f = RandomFrame<uint16_t>(size_t(bx) * w * by * h, seed++, bx * by > 2 ? 65535 : 40000);
      std::vector<uint16_t> got(size_t(w) * h);
      P::BinSum16Sat(f.data(), bx, by, w, h, got.data());
      const TGrid g{bx * w, by * h, bx, by, 0, 0, w, h};
      for (unsigned i = 0; i < h; ++i)
        for (unsigned j = 0; j < w; ++j)
          ASSERT_EQ(got[i * w + j], std::min(BlockSum(f, g, i, j), 65535u))
              << bx << "x" << by << " at " << i << "," << j;
    }
}

TEST(PixelSamples, Generation0RowsOneAndTwoSamples) {
  for (const bool two : {false, true})
    for (const unsigned cols : {1u, 2u, 13u, 64u}) {
      const unsigned rows = 5;
      const size_t rowBytes = (two ? 4 * cols : 2 * cols) + 8;
      // The camera sends 4 rows more than used.
      auto frame = RandomFrame<uint8_t>(rowBytes * (rows + 4), cols + two, 255);
      std::vector<uint16_t> got(size_t(cols) * rows);
      P::ConvertRowsG0(frame.data(), cols, rows, two, got.data());
      EXPECT_EQ(P::G0RowBytes(cols, two), rowBytes);
      for (unsigned i = 0; i < rows; ++i)
        for (unsigned k = 0; k < cols; ++k) {
          const uint8_t* b = frame.data() + (rows - 1 - i) * rowBytes;
          unsigned want;
          if (two)
            want = ((b[9 + 4 * k] + b[11 + 4 * k]) * 256 + b[10 + 4 * k] + b[12 + 4 * k]) / 2;
          else
            want = b[8 + 2 * k] * 256 + b[9 + 2 * k];
          ASSERT_EQ(got[i * cols + k], want) << two << " " << cols << " " << i << "," << k;
        }
    }
}

TEST(PixelSamples, Generation1OneAndTwoSampleFormats) {
  const unsigned w = 11, h = 6;
  auto one = RandomFrame<uint16_t>(size_t(w) * h, 3, 65535);
  auto two = RandomFrame<uint16_t>(2 * size_t(w) * h, 4, 65535);
  std::vector<uint16_t> swapped(w * h), copied(w * h), meanLE(w * h), meanBE(w * h), row(2 * w);
  P::SwapRowsFlipped(one.data(), w, h, swapped.data());
  P::CopyRowsFlipped(one.data(), w, h, copied.data());
  P::MeanOfPairsFlipped(two.data(), w, h, false, row.data(), meanLE.data());
  P::MeanOfPairsFlipped(two.data(), w, h, true, row.data(), meanBE.data());
  auto be = [](uint16_t v) { return unsigned((v >> 8) | ((v & 0xFF) << 8)); };
  for (unsigned i = 0; i < h; ++i)
    for (unsigned k = 0; k < w; ++k) {
      const size_t o = size_t(h - 1 - i) * w + k, s = size_t(i) * w + k;
      ASSERT_EQ(swapped[o], be(one[s]));
      ASSERT_EQ(copied[o], one[s]);
      ASSERT_EQ(meanLE[o], (unsigned(two[2 * s]) + two[2 * s + 1]) / 2);
      ASSERT_EQ(meanBE[o], (be(two[2 * s]) + be(two[2 * s + 1])) / 2);
    }
}

// Reference: means as double sums, then the median of a and the levelled b, c.
std::vector<uint16_t> MedianReference(const std::vector<uint16_t>& f, unsigned w, unsigned h) {
  double sa = 0, sb = 0, sc = 0;
  for (size_t p = 0; p < size_t(w) * h; ++p) sa += f[3 * p], sb += f[3 * p + 1], sc += f[3 * p + 2];
  const double n = double(w) * h;
  const int d1 = int(sa / n - sb / n + 0.5), d2 = int(sa / n - sc / n + 0.5);
  std::vector<uint16_t> out(size_t(w) * h);
  for (unsigned i = 0; i < h; ++i)
    for (unsigned k = 0; k < w; ++k) {
      const size_t p = size_t(i) * w + k;
      const int a = f[3 * p], b = std::clamp(f[3 * p + 1] + d1, 0, 65535),
                c = std::clamp(f[3 * p + 2] + d2, 0, 65535);
      out[size_t(h - 1 - i) * w + k] =
          uint16_t(std::max(std::min(a, b), std::min(std::max(a, b), c)));
    }
  return out;
}

TEST(PixelSamples, MedianOfThreeMatchesReference) {
  struct TCase {
    unsigned w, h, seed, maxValue;
  };
  // Full-range noise drives the levelled samples into both limits.
  for (const TCase& c : {TCase{1, 1, 1, 65535}, TCase{17, 9, 2, 65535}, TCase{64, 3, 3, 1000},
                         TCase{5, 31, 4, 65535}}) {
    auto f = RandomFrame<uint16_t>(3 * size_t(c.w) * c.h, c.seed, c.maxValue);
    std::vector<uint16_t> got(size_t(c.w) * c.h);
    P::MedianOfThree(f.data(), c.w, c.h, got.data());
    EXPECT_EQ(got, MedianReference(f, c.w, c.h)) << c.w << "x" << c.h;
  }
}

std::vector<uint16_t> QuadrantReference(const std::vector<uint16_t>& s, unsigned w, unsigned h,
                                        const P::TQuadrantOffsets& o) {
  const unsigned hh = h / 2, half = w / 2;
  std::vector<int> img(size_t(w) * h);
  auto lim = [](long v) { return int(std::clamp(v, 0L, 65535L)); };
  for (unsigned j = 0; j < hh; ++j)
    for (unsigned k = 0; k < half; ++k) {
      const uint16_t* g = &s[4 * (size_t(j) * half + k)];
      img[j * w + (w - 1 - k)] = lim(long(g[0]) + o.Offset3);
      img[(h - 1 - j) * w + (w - 1 - k)] = lim(long(g[1]) + o.Offset2);
      img[(h - 1 - j) * w + k] = lim(long(g[2]) + o.Offset1);
      img[j * w + k] = lim(long(g[3]) + o.Offset4);
    }
  for (unsigned c = 0; c < w; ++c)
    img[(hh - 1) * w + c] = lim(long(img[(hh - 1) * w + c]) + img[hh * w + c] - o.OffsetCL);
  for (unsigned r = hh; r + 1 < h; ++r)
    for (unsigned c = 0; c < w; ++c) img[r * w + c] = img[(r + 1) * w + c];
  return std::vector<uint16_t>(img.begin(), img.end());
}

TEST(PixelQuadrants, JoinMatchesReference) {
  struct TCase {
    unsigned w, h;
    P::TQuadrantOffsets o;
  };
  const TCase cases[] = {
      {2, 2, {0, 0, 0, 0, 0}},
      {10, 6, {100, -200, 300, -400, 50}},
      {34, 14, {70000, -70000, 0, 1, -200000}},
      {8, 8, {INT32_MAX, INT32_MIN, -65535, 65535, INT32_MAX}},
      {6, 5, {1, 2, 3, 4, 5}},  // odd height: the steps as they are
  };
  unsigned seed = 40;
  for (const TCase& c : cases) {
    auto s = RandomFrame<uint16_t>(size_t(c.w) * c.h, seed++, 65535);
    std::vector<uint16_t> got(size_t(c.w) * c.h);
    P::JoinQuadrants(s.data(), c.w, c.h, c.o, got.data());
    EXPECT_EQ(got, QuadrantReference(s, c.w, c.h, c.o)) << c.w << "x" << c.h;
  }
}

}  // namespace
