#pragma once
// Splitting a fraction of a day into clock time, shared by fd2HMS,
// JDToSystemTime and iDays.

namespace os::detail {

struct TClockTime {
  int hours;  // 24 when the fraction rounded up to the next day
  int minutes;
  int seconds;
  int milliseconds;
};

// Hours, minutes and seconds by successive truncation, milliseconds rounded to
// nearest, then carries from milliseconds up to hours (none into the date).
TClockTime SplitDayFraction(double fd);

}  // namespace os::detail
