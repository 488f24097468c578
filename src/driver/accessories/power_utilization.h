#pragma once
// The cooler power reading of kinds 1 and 2, which the peer window refreshes
// into CCamera::PowerUtilization on timer 1.
#include <atomic>
#include <cstdint>

namespace tQusb {

inline constexpr unsigned kPowerTimerId = 1;

// Period of the refresh timer, 10 s, read when a camera connects. The library
// only reads it; SetPowerTimerPeriodMs, with which tests run the refresh at a
// faster pace, exists only in the tqusb_internal archive (src/test_seams).
inline constexpr unsigned kDefaultPowerTimerPeriodMs = 10000;
extern std::atomic<unsigned> g_powerTimerPeriodMs;
unsigned PowerTimerPeriodMs();
void SetPowerTimerPeriodMs(unsigned periodMs);

}  // namespace tQusb
