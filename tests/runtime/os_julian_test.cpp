#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <random>

#include "tqusb/runtime/os.h"

namespace {

// An independent calendar: Julian rules before 15 October 1582, Gregorian from
// then on, with day numbers from the integer formulas (valid for years > -4800).
struct TDate {
  int year;
  int month;
  int day;
  bool operator==(const TDate&) const = default;
};

bool IsGregorian(const TDate& d) {
  if (d.year != 1582) return d.year > 1582;
  if (d.month != 10) return d.month > 10;
  return d.day >= 15;
}

bool IsLeapYear(int year, bool gregorian) {
  const int y = ((year % 400) + 400) % 400;  // astronomical years may be negative
  if (!gregorian) return y % 4 == 0;
  return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
}

int DaysInMonth(int year, int month, bool gregorian) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year, gregorian) ? 29 : kDays[month - 1];
}

TDate NextDay(TDate d) {
  if (d.year == 1582 && d.month == 10 && d.day == 4) return {1582, 10, 15};
  if (d.day < DaysInMonth(d.year, d.month, IsGregorian(d))) return {d.year, d.month, d.day + 1};
  if (d.month < 12) return {d.year, d.month + 1, 1};
  return {d.year + 1, 1, 1};
}

long long ReferenceDayNumber(const TDate& d) {
  const long long a = (14 - d.month) / 12;
  const long long y = d.year + 4800 - a;
  const long long m = d.month + 12 * a - 3;
  const long long base = d.day + (153 * m + 2) / 5 + 365 * y + y / 4;
  return IsGregorian(d) ? base - y / 100 + y / 400 - 32045 : base - 32083;
}

TDate DateOf(double jd, double* fd = nullptr) {
  TDate d{};
  double f = -1;
  os::iJD(jd, &d.year, &d.month, &d.day, &f);
  if (fd != nullptr) *fd = f;
  return d;
}

constexpr double kMillisecond = 1.0 / 86400000.0;

TEST(OsJulian, KnownDates) {
  struct Case {
    int year, month, day;
    double fd, jd;
  };
  const Case cases[] = {
      {2000, 1, 1, 0.5, 2451545.0},  {1582, 10, 15, 0.0, 2299160.5},
      {1582, 10, 4, 0.0, 2299159.5}, {-4712, 1, 1, 0.5, 0.0},
      {1858, 11, 17, 0.0, 2400000.5}, {1970, 1, 1, 0.0, 2440587.5},
      {2024, 2, 29, 0.75, 2460370.25}, {1600, 3, 1, 0.0, 2305507.5},
      {1, 1, 1, 0.0, 1721423.5},      {0, 12, 31, 0.0, 1721422.5},
      {-1, 3, 1, 0.0, 1720751.5},     {-4000, 1, 1, 0.0, 260057.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
    EXPECT_DOUBLE_EQ(os::JD(c.year, c.month, c.day, c.fd), c.jd);
    double fd = -1;
    EXPECT_EQ(DateOf(c.jd, &fd), (TDate{c.year, c.month, c.day}));
    EXPECT_DOUBLE_EQ(fd, c.fd);
  }
}

// Every day from -4000 to 4000: iJD walks the calendar one day at a time,
// through leap days, century years and the ten days dropped in 1582, and JD
// gives back the day number iJD started from.
TEST(OsJulian, EveryDayFromMinus4000To4000RoundTrips) {
  TDate expected{-4000, 1, 1};
  const double first = os::JD(expected.year, 1, 1, 0.0);
  const double last = os::JD(4000, 12, 31, 0.0);
  int failures = 0;
  for (double jd = first; jd <= last && failures < 10; jd += 1.0) {
    const TDate got = DateOf(jd);
    if (got != expected || os::JD(got.year, got.month, got.day, 0.0) != jd) {
      ADD_FAILURE() << "jd " << jd << " gives " << got.year << "-" << got.month << "-" << got.day
                    << ", expected " << expected.year << "-" << expected.month << "-"
                    << expected.day;
      ++failures;
    }
    expected = NextDay(expected);
  }
  EXPECT_EQ(expected, (TDate{4001, 1, 1}));
}

TEST(OsJulian, RandomDatesAgreeWithReferenceAndRoundTrip) {
  std::mt19937 rng(20261205);
  std::uniform_int_distribution<int> year(-4000, 4000), month(1, 12), day(1, 31);
  std::uniform_real_distribution<double> fraction(0.0, 1.0 - 2e-8);
  for (int i = 0; i < 200000; ++i) {
    TDate d{year(rng), month(rng), day(rng)};
    if (d.day > DaysInMonth(d.year, d.month, IsGregorian(d))) continue;
    if (d.year == 1582 && d.month == 10 && d.day > 4 && d.day < 15) continue;  // never existed
    const double fd = fraction(rng);
    const double jd = os::JD(d.year, d.month, d.day, fd);
    ASSERT_EQ(jd - fd, static_cast<double>(ReferenceDayNumber(d)) - 0.5)
        << d.year << "-" << d.month << "-" << d.day;
    double back = -1;
    ASSERT_EQ(DateOf(jd, &back), d) << d.year << "-" << d.month << "-" << d.day << " fd " << fd;
    ASSERT_NEAR(back, fd, 1e-9);
  }
}

// The dropped days are Julian calendar dates: 10 October 1582 (Julian) is
// 20 October 1582 (Gregorian).
TEST(OsJulian, DroppedDaysCountAsJulianCalendarDates) {
  EXPECT_EQ(os::JD(1582, 10, 10, 0.0), os::JD(1582, 10, 20, 0.0));
  EXPECT_EQ(os::JD(1582, 10, 14, 0.0), os::JD(1582, 10, 24, 0.0));
  EXPECT_EQ(os::JD(1582, 10, 4, 0.0) + 1.0, os::JD(1582, 10, 15, 0.0));
}

// Less than a millisecond before midnight counts as midnight of the next day.
TEST(OsJulian, LastMillisecondBeforeMidnightCarriesIntoNextDay) {
  struct Case {
    TDate day;
    double msBeforeMidnight;
    TDate expected;
    bool carried;
  };
  const Case cases[] = {
      {{1999, 12, 31}, 0.5, {2000, 1, 1}, true},   {{1999, 12, 31}, 0.9, {2000, 1, 1}, true},
      {{1999, 12, 31}, 1.5, {1999, 12, 31}, false}, {{2000, 2, 28}, 0.5, {2000, 2, 29}, true},
      {{1900, 2, 28}, 0.5, {1900, 3, 1}, true},    {{1582, 10, 4}, 0.5, {1582, 10, 15}, true},
      {{-1, 12, 31}, 0.2, {0, 1, 1}, true},        {{4000, 12, 31}, 2.0, {4000, 12, 31}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.day.year << "-" << c.day.month << "-" << c.day.day << " "
                                    << c.msBeforeMidnight << " ms");
    const double jd =
        os::JD(c.day.year, c.day.month, c.day.day, 0.0) + 1.0 - c.msBeforeMidnight * kMillisecond;
    double fd = -1;
    EXPECT_EQ(DateOf(jd, &fd), c.expected);
    if (c.carried) {
      EXPECT_EQ(fd, 0.0);
    } else {
      EXPECT_NEAR(fd, 1.0 - c.msBeforeMidnight * kMillisecond, 1e-9);
    }
  }
}

TEST(OsJulian, SystemTimeRecordsConvertBothWays) {
  struct Case {
    SYSTEMTIME time;  // year, month, weekday, day, h, m, s, ms
    double jd;
  };
  const Case cases[] = {
      {{2000, 1, 6, 1, 12, 0, 0, 0}, 2451545.0},
      {{1970, 1, 4, 1, 0, 0, 0, 0}, 2440587.5},
      {{1582, 10, 5, 15, 0, 0, 0, 0}, 2299160.5},
      {{1582, 10, 4, 4, 18, 0, 0, 0}, 2299160.25},
      {{2026, 12, 6, 5, 6, 30, 15, 250}, 2461379.5 + (6 * 3600 + 30 * 60 + 15.25) / 86400.0},
      {{2024, 2, 4, 29, 23, 59, 59, 998}, 2460370.5 - 2 * kMillisecond},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.time.wYear << "-" << c.time.wMonth << "-" << c.time.wDay);
    EXPECT_NEAR(os::SystemTimeToJD(c.time), c.jd, 1e-9);
    SYSTEMTIME back{};
    os::JDToSystemTime(c.jd, &back);
    EXPECT_EQ(std::memcmp(&back, &c.time, sizeof back), 0)
        << back.wYear << "-" << back.wMonth << "-" << back.wDay << " (" << back.wDayOfWeek << ") "
        << back.wHour << ":" << back.wMinute << ":" << back.wSecond << "." << back.wMilliseconds;
  }
}

TEST(OsJulian, RandomSystemTimesRoundTripToTheMillisecond) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> year(1, 4000), month(1, 12), day(1, 31), hour(0, 23),
      minute(0, 59), ms(0, 999);
  for (int i = 0; i < 100000; ++i) {
    SYSTEMTIME t{};
    t.wYear = static_cast<std::uint16_t>(year(rng));
    t.wMonth = static_cast<std::uint16_t>(month(rng));
    t.wDay = static_cast<std::uint16_t>(day(rng));
    const TDate d{t.wYear, t.wMonth, t.wDay};
    if (d.day > DaysInMonth(d.year, d.month, IsGregorian(d))) continue;
    if (d.year == 1582 && d.month == 10 && d.day > 4 && d.day < 15) continue;
    t.wHour = static_cast<std::uint16_t>(hour(rng));
    t.wMinute = static_cast<std::uint16_t>(minute(rng));
    t.wSecond = static_cast<std::uint16_t>(minute(rng));
    t.wMilliseconds = static_cast<std::uint16_t>(ms(rng));
    // The last millisecond of a day lies on the snapping threshold.
    if (t.wHour == 23 && t.wMinute == 59 && t.wSecond == 59 && t.wMilliseconds == 999) continue;
    t.wDayOfWeek = static_cast<std::uint16_t>((ReferenceDayNumber(d) + 1) % 7);
    SYSTEMTIME back{};
    os::JDToSystemTime(os::SystemTimeToJD(t), &back);
    ASSERT_EQ(std::memcmp(&back, &t, sizeof back), 0)
        << t.wYear << "-" << t.wMonth << "-" << t.wDay << " " << t.wHour << ":" << t.wMinute << ":"
        << t.wSecond << "." << t.wMilliseconds << " came back as " << back.wYear << "-"
        << back.wMonth << "-" << back.wDay << " (" << back.wDayOfWeek << ") " << back.wHour << ":"
        << back.wMinute << ":" << back.wSecond << "." << back.wMilliseconds;
  }
}

// A value snapped to the next midnight takes that day's date and weekday.
TEST(OsJulian, SnappedMidnightKeepsDateAndWeekdayTogether) {
  SYSTEMTIME t{};
  os::JDToSystemTime(os::JD(1999, 12, 31, 0.0) + 1.0 - 0.5 * kMillisecond, &t);
  EXPECT_EQ(t.wYear, 2000);
  EXPECT_EQ(t.wMonth, 1);
  EXPECT_EQ(t.wDay, 1);
  EXPECT_EQ(t.wDayOfWeek, 6);  // Saturday
  EXPECT_EQ(t.wHour + t.wMinute + t.wSecond + t.wMilliseconds, 0);
}

TEST(OsJulian, NonsenseInputsStayDefined) {
  const double inputs[] = {NAN, INFINITY, -INFINITY, 1e300, -1e300, -1e6};
  for (double jd : inputs) {
    int y = 0, m = 0, d = 0;
    double fd = 0;
    os::iJD(jd, &y, &m, &d, &fd);
    os::iJD(jd, nullptr, nullptr, nullptr, nullptr);
    SYSTEMTIME t{};
    os::JDToSystemTime(jd, &t);
    EXPECT_LT(t.wDayOfWeek, 7);
  }
  os::JDToSystemTime(2451545.0, nullptr);
  EXPECT_TRUE(std::isfinite(os::JD(INT_MIN, INT_MIN, INT_MIN, 0.0)));
  EXPECT_TRUE(std::isfinite(os::JD(INT_MAX, INT_MAX, INT_MAX, 0.0)));
}

}  // namespace
