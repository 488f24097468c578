#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <ostream>
#include <random>

#include "tqusb/runtime/os.h"

bool operator==(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}
void PrintTo(const SYSTEMTIME& t, std::ostream* os) {
  *os << t.wYear << "-" << t.wMonth << "-" << t.wDay << " (" << t.wDayOfWeek << ") " << t.wHour
      << ":" << t.wMinute << ":" << t.wSecond << "." << t.wMilliseconds;
}

namespace {

constexpr double kMillisecond = 1.0 / 86400000.0;

struct TDate {
  int year, month, day;
  bool operator==(const TDate&) const = default;
};
void PrintTo(const TDate& d, std::ostream* os) {
  *os << d.year << "-" << d.month << "-" << d.day;
}

// An independent calendar: Julian rules before 15 October 1582, Gregorian
// after, day numbers from the integer formulas (valid for years above -4800).
bool IsGregorian(const TDate& d) {
  return d.year != 1582 ? d.year > 1582 : d.month != 10 ? d.month > 10 : d.day >= 15;
}

TDate NextDay(TDate d) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int y = ((d.year % 400) + 400) % 400;
  const bool leap = y % 4 == 0 && (!IsGregorian(d) || y % 100 != 0 || y == 0);
  if (d.year == 1582 && d.month == 10 && d.day == 4) return {1582, 10, 15};
  if (d.day < kDays[d.month - 1] + (d.month == 2 && leap)) return {d.year, d.month, d.day + 1};
  return d.month < 12 ? TDate{d.year, d.month + 1, 1} : TDate{d.year + 1, 1, 1};
}

double ReferenceMidnightJD(const TDate& d) {
  const long long a = (14 - d.month) / 12, y = d.year + 4800 - a, m = d.month + 12 * a - 3;
  const long long base = d.day + (153 * m + 2) / 5 + 365 * y + y / 4;
  return (IsGregorian(d) ? base - y / 100 + y / 400 - 32045 : base - 32083) - 0.5;
}

TDate DateOf(double jd, double* fd = nullptr) {
  TDate d{};
  double f = -1;
  os::iJD(jd, &d.year, &d.month, &d.day, &f);
  if (fd != nullptr) *fd = f;
  return d;
}

TEST(OsJulian, KnownDates) {
  struct Case {
    TDate date;
    double fd, jd;
  };
  const Case cases[] = {
      {{2000, 1, 1}, 0.5, 2451545.0},  {{1582, 10, 15}, 0.0, 2299160.5},
      {{1582, 10, 4}, 0.0, 2299159.5}, {{-4712, 1, 1}, 0.5, 0.0},
      {{1970, 1, 1}, 0.0, 2440587.5},  {{2024, 2, 29}, 0.75, 2460370.25},
      {{0, 12, 31}, 0.0, 1721422.5},   {{-4000, 1, 1}, 0.0, 260057.5},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(os::JD(c.date.year, c.date.month, c.date.day, c.fd), c.jd);
    double fd = -1;
    EXPECT_EQ(DateOf(c.jd, &fd), c.date);
    EXPECT_DOUBLE_EQ(fd, c.fd);
  }
  // The dropped days are Julian calendar dates: 10 October (Julian) is 20 October.
  EXPECT_EQ(os::JD(1582, 10, 10, 0.0), os::JD(1582, 10, 20, 0.0));
  EXPECT_EQ(os::JD(1582, 10, 14, 0.0), os::JD(1582, 10, 24, 0.0));
}

// Every day from -4000 to 4000 (leap days, century years, the switch of 1582):
// JD agrees with the independent count and iJD gives back date and time of day.
TEST(OsJulian, EveryDayFromMinus4000To4000AgreesAndRoundTrips) {
  std::mt19937 rng(20261205);
  std::uniform_real_distribution<double> fraction(0.0, 1.0 - 2e-8);
  int failures = 0;
  TDate d{-4000, 1, 1};
  for (; d.year <= 4000 && failures < 10; d = NextDay(d)) {
    const double fd = fraction(rng);
    double back = -1;
    const TDate got = DateOf(os::JD(d.year, d.month, d.day, fd), &back);
    if (os::JD(d.year, d.month, d.day, 0.0) != ReferenceMidnightJD(d) || got != d ||
        std::fabs(back - fd) > 1e-9) {
      ADD_FAILURE() << testing::PrintToString(d) << " fd " << fd << ": JD "
                    << os::JD(d.year, d.month, d.day, 0.0) << ", back "
                    << testing::PrintToString(got) << " fd " << back;
      ++failures;
    }
  }
  EXPECT_EQ(d, (TDate{4001, 1, 1}));
}

TEST(OsJulian, LessThanAMillisecondBeforeMidnightIsTheNextDay) {
  struct Case {
    TDate day;
    double msBefore;
    TDate expected;
  };
  const Case cases[] = {
      {{1999, 12, 31}, 0.5, {2000, 1, 1}}, {{1999, 12, 31}, 1.5, {1999, 12, 31}},
      {{1900, 2, 28}, 0.9, {1900, 3, 1}},  {{1582, 10, 4}, 0.5, {1582, 10, 15}},
      {{-1, 12, 31}, 0.2, {0, 1, 1}},
  };
  for (const Case& c : cases) {
    const double jd = ReferenceMidnightJD(c.day) + 1.0 - c.msBefore * kMillisecond;
    double fd = -1;
    EXPECT_EQ(DateOf(jd, &fd), c.expected) << c.msBefore;
    EXPECT_NEAR(fd, c.expected == c.day ? 1.0 - c.msBefore * kMillisecond : 0.0, 1e-9);
  }
}

TEST(OsJulian, SystemTimeRecordsConvertBothWays) {
  struct Case {
    SYSTEMTIME time;  // year, month, weekday, day, h, m, s, ms
    double jd;
    bool oneWay;  // the record does not give back the same JD
  };
  const Case cases[] = {
      {{2000, 1, 6, 1, 12, 0, 0, 0}, 2451545.0, false},
      {{1582, 10, 5, 15, 0, 0, 0, 0}, 2299160.5, false},
      {{1582, 10, 4, 4, 18, 0, 0, 0}, 2299160.25, false},
      {{2026, 12, 6, 5, 6, 30, 15, 250}, 2461379.5 + 23415.25 / 86400.0, false},
      {{2024, 2, 4, 29, 23, 59, 59, 998}, 2460370.5 - 2 * kMillisecond, false},
      {{2024, 2, 4, 29, 0, 0, 0, 1}, 2460369.5 + 0.6 * kMillisecond, true},  // rounded
      // Snapped to the next midnight: date and weekday of that day.
      {{2000, 1, 6, 1, 0, 0, 0, 0}, 2451544.5 - 0.5 * kMillisecond, true},
  };
  for (const Case& c : cases) {
    if (!c.oneWay) {
      EXPECT_NEAR(os::SystemTimeToJD(c.time), c.jd, 1e-9);
    }
    SYSTEMTIME back{};
    os::JDToSystemTime(c.jd, &back);
    EXPECT_EQ(back, c.time);
  }
}

// Dates, clock times and durations far outside any calendar (run under the
// sanitizers, this finds undefined conversions and overflows).
TEST(OsJulian, NonsenseInputsStayDefined) {
  for (double x : std::initializer_list<double>{NAN, INFINITY, -INFINITY, 1e300, -1e300, -1e6}) {
    int y, m, d, s;
    double fd;
    os::iJD(x, &y, &m, &d, &fd);
    os::iJD(x, nullptr, nullptr, nullptr, nullptr);
    SYSTEMTIME t{};
    os::JDToSystemTime(x, &t);
    EXPECT_LT(t.wDayOfWeek, 7);
    os::fd2HMS(x, &y, &m, &d, &s);
    os::fd2HMS(x, nullptr, nullptr, nullptr, nullptr);
    os::iDays(x, &y, &m, &d, &fd);
    os::iDays(x, nullptr, nullptr, nullptr, nullptr);
  }
  EXPECT_TRUE(std::isfinite(os::Days(INT_MAX, INT_MAX, INT_MAX, 0.0)));
  os::JDToSystemTime(2451545.0, nullptr);
  EXPECT_TRUE(std::isfinite(os::JD(INT_MIN, INT_MIN, INT_MIN, 0.0)));
  EXPECT_TRUE(std::isfinite(os::JD(INT_MAX, INT_MAX, INT_MAX, 0.0)));
}

}  // namespace
