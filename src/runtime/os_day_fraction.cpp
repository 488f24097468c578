// Fractions of a day, clock time and durations on the mean calendar.
#include <algorithm>
#include <cmath>

#include "runtime/os_clock_time.h"
#include "runtime/os_numeric.h"
#include "tqusb/runtime/os.h"

namespace os {

namespace {
constexpr double kMsPerDay = 86400000.0;
constexpr double kDaysPerYear = 365.25;
constexpr double kDaysPerMonth = 30.6001;
// Absorbs the rounding error of a quotient that should come out whole.
constexpr double kWholeSlack = 1e-15;
constexpr double kFractionLimit = 1e6;
// Longest duration iDays splits: its years still fit an int.
constexpr double kDurationLimit = 7.5e11;
}  // namespace

detail::TClockTime detail::SplitDayFraction(double fd) {
  // Far outside [0, 1) the split means nothing, but it must stay within int.
  if (std::isnan(fd)) fd = 0.0;
  fd = std::clamp(fd, -kFractionLimit, kFractionLimit);
  TClockTime t{};
  double rest = fd * 24.0;
  t.hours = TruncToInt(rest);
  rest = (rest - t.hours) * 60.0;
  t.minutes = TruncToInt(rest);
  rest = (rest - t.minutes) * 60.0;
  t.seconds = TruncToInt(rest);
  rest = rest - t.seconds;
  t.milliseconds = TruncToInt(rest * 1000.0 + 0.5);
  if (t.milliseconds >= 1000) {
    t.milliseconds -= 1000;
    ++t.seconds;
  }
  if (t.seconds >= 60) {
    t.seconds -= 60;
    ++t.minutes;
  }
  if (t.minutes >= 60) {
    t.minutes -= 60;
    ++t.hours;
  }
  return t;
}

double HMS2fd(int hours, int minutes, int seconds, int milliseconds) {
  return hours / 24.0 + minutes / 1440.0 + seconds / 86400.0 + milliseconds / kMsPerDay;
}

bool fd2HMS(double fd, int* hours, int* minutes, int* seconds, int* milliseconds) {
  const detail::TClockTime t = detail::SplitDayFraction(fd);
  if (hours != nullptr) *hours = t.hours;
  if (minutes != nullptr) *minutes = t.minutes;
  if (seconds != nullptr) *seconds = t.seconds;
  if (milliseconds != nullptr) *milliseconds = t.milliseconds;
  return t.hours == 24;
}

double frac(double x) {
  double whole = 0;
  return std::modf(x, &whole);
}

double Days(int years, int months, int days, double fd) {
  return years * kDaysPerYear + months * kDaysPerMonth + days + fd;
}

void iDays(double duration, int* years, int* months, int* days, double* fd) {
  if (std::isnan(duration)) duration = 0.0;
  duration = std::clamp(duration, -kDurationLimit, kDurationLimit);
  const double inYears = duration / kDaysPerYear;
  int y = detail::TruncToInt(inYears + kWholeSlack);
  const double inMonths = (inYears - y) * kDaysPerYear / kDaysPerMonth;
  int m = detail::TruncToInt(inMonths + kWholeSlack);
  const double inDays = (inMonths - m) * kDaysPerMonth;
  int d = detail::TruncToInt(inDays);
  double f = std::round((inDays - d) * kMsPerDay) / kMsPerDay;

  if (detail::SplitDayFraction(f).hours == 24) {
    f = 0.0;
    ++d;
  }
  if (d == 31) {
    d = 0;
    ++m;
  }
  if (m == 13) {
    m = 1;
    ++y;
  }
  if (years != nullptr) *years = y;
  if (months != nullptr) *months = m;
  if (days != nullptr) *days = d;
  if (fd != nullptr) *fd = f;
}

}  // namespace os
