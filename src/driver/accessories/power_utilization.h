#pragma once
// The cooler power reading of kinds 1 and 2, which the peer window refreshes
// into CCamera::PowerUtilization on timer 1.
#include <cstdint>

namespace tQusb {

inline constexpr unsigned kPowerTimerId = 1;

// Period of the refresh timer, 10 s. A variable only so that tests can run
// the refresh at a faster pace; it is read when a camera connects.
extern unsigned PowerTimerPeriodMs;

}  // namespace tQusb
