#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

#include "tqusb/runtime/lib.h"

namespace {

// An independent model of the generator: the seeding recurrence and the
// additive step with lags 55 and 24.
class Model {
 public:
  explicit Model(std::uint32_t seed) {
    std::uint32_t x = seed;
    for (std::uint32_t& w : t_) {
      x = 3141592621u * x + 17u;
      w = x >> 16;
    }
  }
  std::uint32_t Next() {
    j_ = (j_ + 54) % 55;
    k_ = (k_ + 54) % 55;
    t_[j_] += t_[k_];
    return t_[j_];
  }
  std::uint32_t Word(int i) const { return t_[i]; }

 private:
  std::uint32_t t_[55];
  unsigned j_ = 54, k_ = 23;
};

std::vector<std::uint32_t> Draw(std::size_t count) {
  std::vector<std::uint32_t> out(count);
  for (auto& v : out) v = Lib::RANDOM(0);
  return out;
}

TEST(Random, NeverSeededGeneratorSeedsWith12345) {
  Lib::InitModule();
  const Model seeding(12345);
  const std::uint32_t first = Lib::RANDOM(0);
  EXPECT_EQ(first, seeding.Word(54) + seeding.Word(23));
  // The next draw steps both cursors down: word 53 plus word 22.
  EXPECT_EQ(Lib::RANDOM(0), seeding.Word(53) + seeding.Word(22));
}

TEST(Random, FollowsTheLaggedFibonacciRecurrence) {
  for (std::uint32_t seed : {0u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(seed);
    Lib::RANDSEED(seed);
    Model model(seed);
    for (int i = 0; i < 500; ++i) {  // several turns of both cursors
      ASSERT_EQ(Lib::RANDOM(0), model.Next()) << "draw " << i;
    }
  }
}

TEST(Random, RangesAndRealsStayInBounds) {
  Lib::RANDOMIZE();
  std::vector<int> seen(10, 0);
  for (int i = 0; i < 2000; ++i) {
    const unsigned v = Lib::RANDOM(10);
    const double r = Lib::RAND();
    ASSERT_LT(v, 10u);
    ASSERT_TRUE(r >= 0.0 && r < 1.0) << r;
    ++seen[v];
  }
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 0), 0);
}

TEST(Random, ConcurrentDrawsLoseNoStep) {
  const int threads = 4, perThread = 20000;
  Lib::RANDSEED(2024);
  std::vector<std::uint32_t> serial = Draw(threads * perThread);
  Lib::RANDSEED(2024);
  std::vector<std::vector<std::uint32_t>> parts(threads);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&parts, t] { parts[t] = Draw(perThread); });
  }
  for (auto& w : workers) w.join();
  std::vector<std::uint32_t> concurrent;
  for (auto& p : parts) concurrent.insert(concurrent.end(), p.begin(), p.end());
  std::sort(serial.begin(), serial.end());
  std::sort(concurrent.begin(), concurrent.end());
  EXPECT_EQ(concurrent, serial);
}

}  // namespace
