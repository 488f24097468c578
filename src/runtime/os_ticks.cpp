// Tick sources and the extended uptime.
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>

#include "runtime/os_clock.h"
#include "tqusb/runtime/os.h"

namespace os {

unsigned int Platform = 2;

namespace {

constexpr long long kFallbackHz = 1000;  // the millisecond uptime as tick source
constexpr long long kMaxHz = std::numeric_limits<long long>::max() / 1000;

// Written by __INIT only; atomics so that a late __INIT never tears a read.
std::atomic<bool> g_counterPresent{false};
std::atomic<long long> g_frequency{kFallbackHz};

// The extended uptime and the tick reading it was last brought up to date with.
std::mutex g_uptimeLock;
std::uint32_t g_lastTick = 0;
unsigned long long g_extendedUptime = 0;

long long Frequency() {
  return g_frequency.load(std::memory_order_relaxed);
}

// The library's load runs __INIT, so ticks are usable before the host's first call.
[[maybe_unused]] const bool g_initialised = (__INIT(), true);

}  // namespace

void __INIT() {
  Platform = 2;
  {
    std::lock_guard<std::mutex> lock(g_uptimeLock);
    g_lastTick = 0;
    g_extendedUptime = 0;
  }
  long long hz = 0;
  // A frequency above kMaxHz would overflow the millisecond conversions.
  const bool present = detail::CurrentClockSource().counterFrequency(&hz) && hz > 0 && hz <= kMaxHz;
  g_frequency.store(present ? hz : kFallbackHz, std::memory_order_relaxed);
  g_counterPresent.store(present, std::memory_order_relaxed);
}

long long GetHiResTicks() {
  if (g_counterPresent.load(std::memory_order_relaxed)) {
    return detail::CurrentClockSource().counter();
  }
  return static_cast<long long>(GetUptimeMS64());
}

long long GetHiResHz() {
  return Frequency();
}

bool HiResTimerExists() {
  return g_counterPresent.load(std::memory_order_relaxed);
}

long long GetHiResDifference(long long* last) {
  if (last == nullptr) return 0;
  const long long now = GetHiResTicks();
  // Unsigned subtraction: a stale or garbage *last must not overflow.
  const auto difference = static_cast<long long>(static_cast<unsigned long long>(now) -
                                                 static_cast<unsigned long long>(*last));
  *last = now;
  return difference;
}

// Split into whole seconds and the rest so that ticks * 1000 never has to be
// formed: ticks = q * hz + r with |r| < hz, and q * 1000 + r * 1000 / hz is the
// truncated quotient because both terms share the sign of ticks.
long long HiResTicksToMS(long long ticks) {
  const long long hz = Frequency();
  const long long q = ticks / hz;
  const long long r = ticks % hz;
  constexpr long long kLimit = std::numeric_limits<long long>::max() / 1000;
  if (q > kLimit) return std::numeric_limits<long long>::max();
  if (q < -kLimit) return std::numeric_limits<long long>::min();
  return q * 1000 + (r * 1000) / hz;
}

double HiResTicksToLRMS(long long ticks) {
  const long long hz = Frequency();
  const long long q = ticks / hz;
  const long long r = ticks % hz;
  return static_cast<double>(q) * 1000.0 + static_cast<double>(r * 1000) / static_cast<double>(hz);
}

double HiResTicksToLRS(long long ticks) {
  return static_cast<double>(ticks) / static_cast<double>(Frequency());
}

std::uint32_t GetUptimeMS() {
  return detail::CurrentClockSource().tickCount();
}

unsigned long long GetUptimeMS64() {
  std::lock_guard<std::mutex> lock(g_uptimeLock);
  const std::uint32_t now = detail::CurrentClockSource().tickCount();
  // 32-bit unsigned difference: a wrap of the count since the last call is absorbed.
  g_extendedUptime += static_cast<std::uint32_t>(now - g_lastTick);
  g_lastTick = now;
  return g_extendedUptime;
}

}  // namespace os
