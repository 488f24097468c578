// Julian dates: calendar dates to astronomical day numbers and back, with the
// change from the Julian to the Gregorian calendar on 15 October 1582.
#include <cmath>

#include "runtime/os_clock_time.h"
#include "runtime/os_numeric.h"
#include "tqusb/runtime/os.h"

namespace os {

namespace {

constexpr double kOneMillisecond = 1.0 / 86400000.0;  // in days
constexpr double kFirstGregorianDay = 2299161;        // 15 October 1582

struct TSplitDate {
  double year;
  double month;
  double day;
  double fd;
  double dayNumber;  // trunc(jd + 0.5), one more when snapped to midnight
  bool snapped;      // the fraction was within a millisecond of the next day
};

// Everything in double: exact for whole numbers up to 2^53 days, and defined
// for any input.
TSplitDate SplitJD(double jd) {
  TSplitDate s{};
  double z = std::trunc(jd + 0.5);
  double f = (jd + 0.5) - z;
  if (1.0 - f < kOneMillisecond) {
    f = 0.0;
    z += 1.0;
    s.snapped = true;
  }
  double a = z;
  if (z >= kFirstGregorianDay) {
    const double alpha = std::trunc((z - 1867216.25) / 36524.25);
    a = z + 1.0 + alpha - std::trunc(alpha / 4.0);
  }
  const double b = a + 1524.0;
  const double c = std::trunc((b - 122.1) / 365.25);
  const double d = std::trunc(365.25 * c);
  const double e = std::trunc((b - d) / 30.6001);
  s.day = std::trunc(b - d - std::trunc(30.6001 * e));
  s.month = e > 13.0 ? e - 13.0 : e - 1.0;
  s.year = s.month < 3.0 ? c - 4715.0 : c - 4716.0;
  s.fd = f;
  s.dayNumber = z;
  return s;
}

}  // namespace

double JD(int year, int month, int day, double fd) {
  // 64-bit so that extreme arguments cannot overflow.
  long long y = year;
  long long m = month;
  if (month < 3) {
    y -= 1;
    m += 13;
  } else {
    m += 1;
  }
  const bool julianCalendar =
      y < 1582 || (y == 1582 && m < 11) || (y == 1582 && m == 11 && day < 15);
  long long b = 0;
  if (!julianCalendar) {
    const long long a = y / 100;
    b = a / 4 - a + 2;
  }
  const double yd = static_cast<double>(y);
  const double c = y >= 0 ? std::trunc(365.25 * yd) : std::trunc(365.25 * yd - 0.75);
  const double d = std::trunc(30.6001 * static_cast<double>(m));
  return static_cast<double>(b) + c + d + day + 1720994.5 + fd;
}

void iJD(double jd, int* year, int* month, int* day, double* fd) {
  const TSplitDate s = SplitJD(jd);
  if (year != nullptr) *year = detail::TruncToInt(s.year);
  if (month != nullptr) *month = detail::TruncToInt(s.month);
  if (day != nullptr) *day = detail::TruncToInt(s.day);
  if (fd != nullptr) *fd = s.fd;
}

double SystemTimeToJD(const SYSTEMTIME& time) {
  const double fd =
      (((time.wMilliseconds / 1000.0 + time.wSecond) / 60.0 + time.wMinute) / 60.0 + time.wHour) /
      24.0;
  return JD(time.wYear, time.wMonth, time.wDay, fd);
}

void JDToSystemTime(double jd, SYSTEMTIME* time) {
  if (time == nullptr) return;
  const TSplitDate s = SplitJD(jd);
  // trunc(jd + 1.5) mod 7 with 0 = Sunday; a value snapped to the next
  // midnight takes that day's weekday so the record stays consistent.
  double weekday = std::fmod(std::trunc(jd + 1.5) + (s.snapped ? 1.0 : 0.0), 7.0);
  if (weekday < 0) weekday += 7.0;
  const detail::TClockTime t = detail::SplitDayFraction(s.fd);
  // The record's fields are 16-bit: values outside that range wrap.
  time->wYear = static_cast<std::uint16_t>(detail::TruncToInt(s.year));
  time->wMonth = static_cast<std::uint16_t>(detail::TruncToInt(s.month));
  time->wDay = static_cast<std::uint16_t>(detail::TruncToInt(s.day));
  time->wDayOfWeek = static_cast<std::uint16_t>(detail::TruncToInt(weekday));
  time->wHour = static_cast<std::uint16_t>(t.hours);
  time->wMinute = static_cast<std::uint16_t>(t.minutes);
  time->wSecond = static_cast<std::uint16_t>(t.seconds);
  time->wMilliseconds = static_cast<std::uint16_t>(t.milliseconds);
}

}  // namespace os
