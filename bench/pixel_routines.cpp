// Pixel routines of the readout on a 4096 x 4096 frame, in GB/s of input,
// next to memcpy of the same number of bytes in the same run.
#include "driver/acquisition/pixel_routines.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace P = tQusb::Pixels;

namespace {

constexpr unsigned kSide = 4096;
constexpr size_t kPixels = size_t(kSide) * kSide;

template <typename T>
const std::vector<T>& Frame(size_t samplesPerPixel) {
  static std::vector<T> frames[4];
  std::vector<T>& f = frames[samplesPerPixel];
  if (f.empty()) {
    f.resize(kPixels * samplesPerPixel + 64);  // slack for the generation-0 row headers
    std::mt19937 gen(42);
    for (T& x : f) x = static_cast<T>(gen());
  }
  return f;
}

void Report(benchmark::State& state, size_t inputBytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * inputBytes));
}

void BM_Memcpy(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(state.range(0)) << 20;
  std::vector<uint8_t> src(bytes, 1), dst(bytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::ClobberMemory();
  }
  Report(state, bytes);
}
BENCHMARK(BM_Memcpy)->Arg(16)->Arg(32)->Arg(64)->Arg(96)->Unit(benchmark::kMillisecond);

void BM_BinSum16(benchmark::State& state) {
  const unsigned b = static_cast<unsigned>(state.range(0));
  const auto& f = Frame<uint16_t>(1);
  std::vector<uint16_t> out(kPixels / (b * b));
  for (auto _ : state) {
    P::BinSum16(f.data(), kSide, b, b, 0, 0, kSide / b, kSide / b, out.data());
    benchmark::ClobberMemory();
  }
  Report(state, kPixels * 2);
}
BENCHMARK(BM_BinSum16)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

void BM_BinSum8To16(benchmark::State& state) {
  const unsigned b = static_cast<unsigned>(state.range(0));
  const auto& f = Frame<uint8_t>(1);
  std::vector<uint16_t> out(kPixels / (b * b));
  for (auto _ : state) {
    P::BinSum8To16(f.data(), kSide, b, b, 0, 0, kSide / b, kSide / b, out.data());
    benchmark::ClobberMemory();
  }
  Report(state, kPixels);
}
BENCHMARK(BM_BinSum8To16)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

void BM_BinSum8(benchmark::State& state) {
  const unsigned b = static_cast<unsigned>(state.range(0));
  const auto& f = Frame<uint8_t>(1);
  std::vector<uint8_t> out(kPixels / (b * b));
  for (auto _ : state) {
    P::BinSum8(f.data(), kSide, b, b, 0, 0, kSide / b, kSide / b, out.data());
    benchmark::ClobberMemory();
  }
  Report(state, kPixels);
}
BENCHMARK(BM_BinSum8)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

void BM_BinSum16Sat(benchmark::State& state) {
  const unsigned b = static_cast<unsigned>(state.range(0));
  const auto& f = Frame<uint16_t>(1);
  std::vector<uint16_t> out(kPixels / (b * b));
  for (auto _ : state) {
    P::BinSum16Sat(f.data(), b, b, kSide / b, kSide / b, out.data());
    benchmark::ClobberMemory();
  }
  Report(state, kPixels * 2);
}
BENCHMARK(BM_BinSum16Sat)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

void BM_ConvertRowsG0(benchmark::State& state) {
  const bool two = state.range(0) != 0;
  // Row headers shorten the rows a little so the frame fits the 4096 x 4096 input.
  const unsigned cols = two ? kSide - 2 : kSide - 4;
  const auto& f = Frame<uint8_t>(two ? 3 : 2);
  std::vector<uint16_t> out(size_t(cols) * kSide);
  for (auto _ : state) {
    P::ConvertRowsG0(f.data(), cols, kSide - 1, two, out.data());
    benchmark::ClobberMemory();
  }
  Report(state, P::G0RowBytes(cols, two) * (kSide - 1));
}
BENCHMARK(BM_ConvertRowsG0)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SwapRowsFlipped(benchmark::State& state) {
  const auto& f = Frame<uint16_t>(1);
  std::vector<uint16_t> out(kPixels);
  for (auto _ : state) {
    P::SwapRowsFlipped(f.data(), kSide, kSide, out.data());
    benchmark::ClobberMemory();
  }
  Report(state, kPixels * 2);
}
BENCHMARK(BM_SwapRowsFlipped)->Unit(benchmark::kMillisecond);

void BM_CopyRowsFlipped(benchmark::State& state) {
  const auto& f = Frame<uint16_t>(1);
  std::vector<uint16_t> out(kPixels);
  for (auto _ : state) {
    P::CopyRowsFlipped(f.data(), kSide, kSide, out.data());
    benchmark::ClobberMemory();
  }
  Report(state, kPixels * 2);
}
BENCHMARK(BM_CopyRowsFlipped)->Unit(benchmark::kMillisecond);

void BM_MeanOfPairsFlipped(benchmark::State& state) {
  const bool bigEndian = state.range(0) != 0;
  const auto& f = Frame<uint16_t>(2);
  std::vector<uint16_t> out(kPixels), row(2 * kSide);
  for (auto _ : state) {
    P::MeanOfPairsFlipped(f.data(), kSide, kSide, bigEndian, row.data(), out.data());
    benchmark::ClobberMemory();
  }
  Report(state, kPixels * 4);
}
BENCHMARK(BM_MeanOfPairsFlipped)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_MedianOfThree(benchmark::State& state) {
  const auto& f = Frame<uint16_t>(3);
  std::vector<uint16_t> out(kPixels);
  for (auto _ : state) {
    P::MedianOfThree(f.data(), kSide, kSide, out.data());
    benchmark::ClobberMemory();
  }
  Report(state, kPixels * 6);
}
BENCHMARK(BM_MedianOfThree)->Unit(benchmark::kMillisecond);

void BM_JoinQuadrants(benchmark::State& state) {
  const auto& f = Frame<uint16_t>(1);
  std::vector<uint16_t> out(kPixels);
  const P::TQuadrantOffsets offsets{10, -20, 30, -40, 100};
  for (auto _ : state) {
    P::JoinQuadrants(f.data(), kSide, kSide, offsets, out.data());
    benchmark::ClobberMemory();
  }
  Report(state, kPixels * 2);
}
BENCHMARK(BM_JoinQuadrants)->Unit(benchmark::kMillisecond);

void BM_Widen8To16(benchmark::State& state) {
  const auto& f = Frame<uint8_t>(1);
  std::vector<uint16_t> out(kPixels);
  for (auto _ : state) {
    P::Widen8To16(f.data(), kPixels, out.data());
    benchmark::ClobberMemory();
  }
  Report(state, kPixels);
}
BENCHMARK(BM_Widen8To16)->Unit(benchmark::kMillisecond);

void BM_CopyWindow8To16(benchmark::State& state) {
  const auto& f = Frame<uint8_t>(1);
  std::vector<uint16_t> out(kPixels / 4);
  for (auto _ : state) {
    P::CopyWindow8To16(f.data(), kSide, kSide / 4, kSide / 4, kSide / 2, kSide / 2, out.data());
    benchmark::ClobberMemory();
  }
  Report(state, kPixels / 4);
}
BENCHMARK(BM_CopyWindow8To16)->Unit(benchmark::kMillisecond);

}  // namespace
