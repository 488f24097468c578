#pragma once
// os: tick sources, a wrap-proof 64-bit uptime, Julian dates, fractions of a
// day and the calling thread's event queue.
//
// Ticks come from the monotonic clock (frequency 1e9, nanoseconds); when that
// clock is missing the millisecond uptime stands in with frequency 1000, so
// tick arithmetic stays right either way. A Julian date is a double counting
// days whose integer part changes at noon (JD 2451545.0 is 1 January 2000,
// 12:00); a fraction of a day ("fd") is a double in [0, 1). Years are
// astronomical (year 0 is 1 BC); dates before 15 October 1582 are Julian
// calendar dates, later ones Gregorian.
#include <cstdint>

#include "tqusb/export.h"

// Calendar date and clock time as eight 16-bit fields. Day of week 0 is Sunday.
struct SYSTEMTIME {
  std::uint16_t wYear;
  std::uint16_t wMonth;
  std::uint16_t wDayOfWeek;
  std::uint16_t wDay;
  std::uint16_t wHour;
  std::uint16_t wMinute;
  std::uint16_t wSecond;
  std::uint16_t wMilliseconds;
};
static_assert(sizeof(SYSTEMTIME) == 16);

namespace os {

// Platform identifier, set to 2 by __INIT.
TQ_API extern unsigned int Platform;

// Start-up: sets Platform, clears the extended uptime and its last tick
// reading, and queries the counter frequency. Runs when the library loads;
// calling it again starts the extended uptime over from the tick count.
TQ_API void __INIT();

// --- Ticks ---
TQ_API long long GetHiResTicks();
TQ_API long long GetHiResHz();
TQ_API bool HiResTimerExists();
// Returns now - *last and stores now in *last (0 and nothing stored for null).
TQ_API long long GetHiResDifference(long long* last);
// (ticks * 1000) / frequency, truncated toward zero; exact for every tick count
// whose result fits (no intermediate overflow).
TQ_API long long HiResTicksToMS(long long ticks);
// Milliseconds with fraction.
TQ_API double HiResTicksToLRMS(long long ticks);
// Seconds.
TQ_API double HiResTicksToLRS(long long ticks);
// Milliseconds of the monotonic clock as a 32-bit count (wraps after 49.7 days).
TQ_API std::uint32_t GetUptimeMS();
// The 32-bit count extended to 64 bits; exact when called at least once per
// 49.7 days. Serialised by a lock.
TQ_API unsigned long long GetUptimeMS64();

// --- Julian dates ---
TQ_API double JD(int year, int month, int day, double fd);
// Outputs may be null. A value less than a millisecond before midnight counts
// as midnight of the next day.
TQ_API void iJD(double jd, int* year, int* month, int* day, double* fd);
// The record as it is (no time-zone conversion); the day of week is ignored.
TQ_API double SystemTimeToJD(const SYSTEMTIME& time);
// Clock time truncated to the millisecond below, then rounded to the nearest
// millisecond with carries; an hour of 24 stays 24 (no carry into the date).
TQ_API void JDToSystemTime(double jd, SYSTEMTIME* time);

// --- Day fractions and durations ---
TQ_API double HMS2fd(int hours, int minutes, int seconds, int milliseconds);
// Returns true when the clock time rounded up to 24:00:00.000.
TQ_API bool fd2HMS(double fd, int* hours, int* minutes, int* seconds, int* milliseconds);
// Fractional part with the sign of x.
TQ_API double frac(double x);
// A duration on the mean calendar: years of 365.25 days, months of 30.6001 days.
TQ_API double Days(int years, int months, int days, double fd);
// The inverse of Days; fd is rounded to whole milliseconds.
TQ_API void iDays(double duration, int* years, int* months, int* days, double* fd);

// --- The calling thread's event queue ---
// Results of MsgWaitForMultipleObjectsEx.
inline constexpr std::uint32_t kWaitObject0 = 0x00000000;
inline constexpr std::uint32_t kWaitTimeout = 0x00000102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

// Waits up to timeoutMs (kInfinite: without limit) until the calling thread
// has events to dispatch (any non-zero wakeMask): kWaitObject0 + count when it
// has, kWaitTimeout when the time ran out. There are no waitable handles on
// this platform, so a wait with handles (count > 0) fails, as does an endless
// wait for nothing (wakeMask 0 and kInfinite). flags are accepted and unused.
TQ_API std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t count, void* const* handles,
                                                 std::uint32_t timeoutMs, std::uint32_t wakeMask,
                                                 std::uint32_t flags);
// True when the calling thread has no event waiting to be dispatched.
TQ_API bool WindowsQueueEmpty();

}  // namespace os
