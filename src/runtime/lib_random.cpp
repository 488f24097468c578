// Lib's random generator: an additive lagged-Fibonacci generator over 55 words
// (x[j] += x[k], lags 55 and 24), shared by the process under a spin lock.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "tqusb/runtime/lib.h"

namespace Lib {

namespace {

constexpr unsigned kTableSize = 55;

struct Generator {
  std::uint32_t table[kTableSize];
  unsigned j;  // both 0: never seeded
  unsigned k;
};

Generator generator{};
std::atomic<int> lockFlag{0};

// Held only for a few arithmetic steps, so a waiter yields its time slice
// (sched_yield) rather than sleeping.
class SpinGuard {
 public:
  SpinGuard() {
    int expected = 0;
    while (!lockFlag.compare_exchange_weak(expected, 1, std::memory_order_acquire)) {
      expected = 0;
      std::this_thread::yield();
    }
  }
  ~SpinGuard() { lockFlag.exchange(0, std::memory_order_release); }
  SpinGuard(const SpinGuard&) = delete;
  SpinGuard& operator=(const SpinGuard&) = delete;
};

void SeedLocked(std::uint32_t seed) {
  generator.j = 54;
  generator.k = 23;
  std::uint32_t x = seed;
  for (std::uint32_t& word : generator.table) {
    x = 3141592621u * x + 17u;  // wraps modulo 2^32
    word = x >> 16;
  }
}

std::uint32_t NextLocked() {
  Generator& g = generator;
  if (g.j == 0 && g.k == 0) {
    SeedLocked(12345);
    g.table[54] += g.table[23];
    return g.table[54];
  }
  g.j = g.j == 0 ? kTableSize - 1 : g.j - 1;
  g.k = g.k == 0 ? kTableSize - 1 : g.k - 1;
  g.table[g.j] += g.table[g.k];
  return g.table[g.j];
}

}  // namespace

void InitModule() {
  lockFlag.store(0);
  generator = Generator{};
}

void RANDSEED(unsigned int seed) {
  SpinGuard guard;
  SeedLocked(seed);
}

void RANDOMIZE() {
  using namespace std::chrono;
  const auto now = system_clock::now().time_since_epoch();
  const auto ms = duration_cast<milliseconds>(now).count();
  const auto secondOfMinute = static_cast<std::uint32_t>((ms / 1000) % 60);
  const auto millisecond = static_cast<std::uint32_t>(ms % 1000);
  RANDSEED(secondOfMinute * millisecond);
}

unsigned int RANDOM(unsigned int n) {
  std::uint32_t value;
  {
    SpinGuard guard;
    value = NextLocked();
  }
  return n == 0 ? value : value % n;
}

double RAND() {
  const std::uint32_t high = RANDOM(65535);
  const std::uint32_t low = RANDOM(65535);
  const std::uint32_t combined = high * 65536u + low;  // modulo 2^32
  return combined * (1.0 / 4294967296.0);
}

}  // namespace Lib
