#include "runtime/os_clock.h"

#include <atomic>
#include <ctime>

namespace os::detail {
namespace {

constexpr long long kNanosecondsPerSecond = 1000000000;

bool MonotonicFrequency(long long* hz) {
  timespec resolution{};
  if (clock_getres(CLOCK_MONOTONIC, &resolution) != 0) return false;
  *hz = kNanosecondsPerSecond;  // clock_gettime always reports nanoseconds
  return true;
}

timespec MonotonicNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now;
}

long long MonotonicCounter() {
  const timespec now = MonotonicNow();
  return static_cast<long long>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

std::uint32_t MonotonicMilliseconds() {
  const timespec now = MonotonicNow();
  const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                  static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

}  // namespace

constinit const TClockSource kSystemClockSource{MonotonicFrequency, MonotonicCounter,
                                                MonotonicMilliseconds};

constinit std::atomic<const TClockSource*> g_clockSource{&kSystemClockSource};

const TClockSource& CurrentClockSource() {
  return *g_clockSource.load(std::memory_order_acquire);
}

}  // namespace os::detail
