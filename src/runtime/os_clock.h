#pragma once
// The clocks behind the os tick functions. The system source reads the
// monotonic clock; tests install their own source to drive the 32-bit
// millisecond count across its wrap or to take the counter away. The library
// only reads the current source; the functions that change it exist only in
// the tqusb_internal archive (src/test_seams).
#include <atomic>
#include <cstdint>

namespace os::detail {

struct TClockSource {
  // Stores the counter frequency in ticks per second; false when there is no
  // high-resolution counter.
  bool (*counterFrequency)(long long* hz);
  long long (*counter)();
  // Milliseconds since the system started, modulo 2^32.
  std::uint32_t (*tickCount)();
};

extern const TClockSource kSystemClockSource;
extern std::atomic<const TClockSource*> g_clockSource;

const TClockSource& CurrentClockSource();

const TClockSource& SystemClockSource();

// Installs `source` (which must outlive its use) and returns the previous
// one. Not for use while other threads read the clocks; run os::__INIT
// afterwards so the frequency is read from the new source.
const TClockSource& ExchangeClockSource(const TClockSource& source);

}  // namespace os::detail
