#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "runtime/os_clock.h"
#include "tqusb/runtime/os.h"

namespace {

// A clock the test sets by hand.
struct FakeClock {
  static inline std::atomic<std::uint32_t> tick{0};
  static inline std::atomic<long long> counter{0};
  static inline long long hz = 0;  // 0 or less: no counter
  static inline bool advanceOnRead = false;

  static bool Frequency(long long* out) {
    *out = hz;
    return hz != 0;
  }
  static long long Counter() { return counter.load(); }
  static std::uint32_t TickCount() { return advanceOnRead ? tick.fetch_add(1) + 1 : tick.load(); }
};

constexpr os::detail::TClockSource kFakeSource{FakeClock::Frequency, FakeClock::Counter,
                                               FakeClock::TickCount};

class OsTicksFake : public testing::Test {
 protected:
  void SetUp() override {
    FakeClock::tick = 0;
    FakeClock::counter = 0;
    FakeClock::hz = 0;
    FakeClock::advanceOnRead = false;
    os::detail::ExchangeClockSource(kFakeSource);
    os::__INIT();
  }
  void TearDown() override {
    os::detail::ExchangeClockSource(os::detail::SystemClockSource());
    os::__INIT();
  }
  static void UseCounter(long long hz) {
    FakeClock::hz = hz;
    os::__INIT();
  }
};

TEST_F(OsTicksFake, UptimeStaysExactAcrossWrapsOfTheTickCount) {
  struct Step {
    std::uint32_t tick;
    unsigned long long uptime;
  };
  const Step steps[] = {
      {0xFFFFFF00u, 0xFFFFFF00ull},  // the first call takes the whole count
      {0xFFFFFFFFu, 0xFFFFFFFFull},  {0x00000000u, 0x100000000ull}, {0x00000010u, 0x100000010ull},
      {0x00000010u, 0x100000010ull}, {0x80000000u, 0x180000000ull}, {0x7FFFFFFFu, 0x27FFFFFFFull},
      {0x00000005u, 0x300000005ull},
  };
  for (const Step& s : steps) {
    FakeClock::tick = s.tick;
    EXPECT_EQ(os::GetUptimeMS(), s.tick);
    EXPECT_EQ(os::GetUptimeMS64(), s.uptime) << std::hex << "tick 0x" << s.tick;
  }
  os::__INIT();  // starts over from the tick count
  EXPECT_EQ(os::GetUptimeMS64(), 5u);
}

// Without a usable counter (none, or a frequency the conversions cannot
// take) ticks are the extended uptime at 1000 Hz.
TEST_F(OsTicksFake, WithoutCounterTicksAreTheExtendedUptime) {
  for (long long hz : {0ll, -5ll, std::numeric_limits<long long>::max()}) {
    UseCounter(hz);
    EXPECT_FALSE(os::HiResTimerExists());
    EXPECT_EQ(os::GetHiResHz(), 1000);
    FakeClock::tick = 0xFFFFFFF0u;
    EXPECT_EQ(os::GetHiResTicks(), 0xFFFFFFF0ll);
    FakeClock::tick = 0x20u;
    EXPECT_EQ(os::GetHiResTicks(), 0x100000020ll);
    EXPECT_EQ(os::HiResTicksToMS(2500), 2500);
  }
}

TEST_F(OsTicksFake, CounterTicksConvertWithoutOverflow) {
  UseCounter(3000000);  // an odd frequency exposes wrong rounding
  EXPECT_TRUE(os::HiResTimerExists());
  EXPECT_EQ(os::GetHiResHz(), 3000000);
  struct Case {
    long long ticks;
    long long ms;
    double lrms;
  };
  const Case cases[] = {
      {3000000, 1000, 1000.0},
      {1, 0, 1.0 / 3000.0},
      {4500000, 1500, 1500.0},
      {-4500000, -1500, -1500.0},
      {-2999, 0, -2999.0 / 3000.0},
      {-3001, -1, -3001.0 / 3000.0},
      {9000000000000000000ll, 3000000000000000ll, 3e15},  // far past where ticks * 1000 overflows
      {std::numeric_limits<long long>::min(), std::numeric_limits<long long>::min() / 3000,
       std::numeric_limits<long long>::min() / 3000.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ticks);
    EXPECT_EQ(os::HiResTicksToMS(c.ticks), c.ms);
    EXPECT_DOUBLE_EQ(os::HiResTicksToLRMS(c.ticks), c.lrms);
    EXPECT_DOUBLE_EQ(os::HiResTicksToLRS(c.ticks), static_cast<double>(c.ticks) / 3e6);
  }
  UseCounter(1000);  // the result would not fit: clamped
  EXPECT_EQ(os::HiResTicksToMS(std::numeric_limits<long long>::max()),
            std::numeric_limits<long long>::max());

  long long last = 0;
  FakeClock::counter = 250;
  EXPECT_EQ(os::GetHiResDifference(&last), 250);
  FakeClock::counter = 100;  // a mark from the future gives a negative difference
  EXPECT_EQ(os::GetHiResDifference(&last), -150);
  EXPECT_EQ(last, 100);
  EXPECT_EQ(os::GetHiResDifference(nullptr), 0);
}

// Every reading is taken and accounted under the lock: no update is lost and
// no thread sees the uptime go back.
TEST_F(OsTicksFake, ConcurrentCallersLoseNoUpdate) {
  FakeClock::advanceOnRead = true;
  constexpr int kThreads = 4;
  constexpr int kCalls = 20000;
  std::atomic<bool> wentBack{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      unsigned long long previous = 0;
      for (int i = 0; i < kCalls; ++i) {
        const unsigned long long now = os::GetUptimeMS64();
        if (now <= previous) wentBack = true;
        previous = now;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_FALSE(wentBack);
  FakeClock::advanceOnRead = false;
  EXPECT_EQ(os::GetUptimeMS64(), static_cast<unsigned long long>(kThreads) * kCalls);
}

TEST(OsTicksSystem, MonotonicClockAtOneGigahertz) {
  EXPECT_EQ(os::Platform, 2u);
  EXPECT_TRUE(os::HiResTimerExists());
  EXPECT_EQ(os::GetHiResHz(), 1000000000);

  long long mark = os::GetHiResTicks();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_GE(os::GetHiResDifference(&mark), 20000000);
  EXPECT_GE(os::GetHiResTicks(), mark);

  // The low 32 bits of the extended uptime are a count read between the two others.
  const std::uint32_t before = os::GetUptimeMS();
  const unsigned long long extended = os::GetUptimeMS64();
  const std::uint32_t after = os::GetUptimeMS();
  EXPECT_LE(static_cast<std::uint32_t>(static_cast<std::uint32_t>(extended) - before),
            static_cast<std::uint32_t>(after - before));
}

}  // namespace
