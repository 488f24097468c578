#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "tqusb/runtime/os.h"

namespace {

constexpr double kMsPerDay = 86400000.0;

struct TClock {
  int h, m, s, ms;
  bool operator==(const TClock&) const = default;
};

TClock Split(double fd, bool* nextDay = nullptr) {
  TClock c{-1, -1, -1, -1};
  const bool rolled = os::fd2HMS(fd, &c.h, &c.m, &c.s, &c.ms);
  if (nextDay != nullptr) *nextDay = rolled;
  return c;
}

TEST(OsDayFraction, SplitsTruncateThenRoundTheMillisecondWithCarries) {
  struct Case {
    double fd;
    TClock clock;
    bool nextDay;
  };
  const Case cases[] = {
      {0.0, {0, 0, 0, 0}, false},
      {0.5, {12, 0, 0, 0}, false},
      {1.0 / 3.0, {8, 0, 0, 0}, false},
      {0.9999999999, {24, 0, 0, 0}, true},
      {1.0 - 0.4 / kMsPerDay, {24, 0, 0, 0}, true},
      {1.0 - 0.6 / kMsPerDay, {23, 59, 59, 999}, false},
      {os::HMS2fd(23, 59, 59, 999), {23, 59, 59, 999}, false},
      {os::HMS2fd(10, 59, 59, 0) + 0.9996 / 86400.0, {11, 0, 0, 0}, false},
      {os::HMS2fd(10, 14, 59, 0) + 0.9996 / 86400.0, {10, 15, 0, 0}, false},
      {os::HMS2fd(10, 14, 58, 0) + 0.9996 / 86400.0, {10, 14, 59, 0}, false},
      {os::HMS2fd(6, 7, 8, 9) + 0.4 / kMsPerDay, {6, 7, 8, 9}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "fd " << c.fd);
    bool nextDay = !c.nextDay;
    EXPECT_EQ(Split(c.fd, &nextDay), c.clock);
    EXPECT_EQ(nextDay, c.nextDay);
  }
}

// Every millisecond of a day, whole seconds apart and in the first and last
// seconds, survives HMS2fd and fd2HMS unchanged.
TEST(OsDayFraction, MillisecondsOfTheDayRoundTrip) {
  auto check = [](int totalMs) {
    const TClock clock{totalMs / 3600000, totalMs / 60000 % 60, totalMs / 1000 % 60,
                       totalMs % 1000};
    const double fd = os::HMS2fd(clock.h, clock.m, clock.s, clock.ms);
    EXPECT_NEAR(fd, totalMs / kMsPerDay, 1e-15);
    EXPECT_EQ(Split(fd), clock) << totalMs << " ms";
    return Split(fd) == clock;
  };
  for (int ms = 0; ms < 86400000; ms += 997) {
    if (!check(ms)) return;
  }
  for (int ms = 0; ms < 2000; ++ms) {
    if (!check(ms) || !check(86400000 - 1 - ms)) return;
  }
}

TEST(OsDayFraction, FracKeepsTheSign) {
  EXPECT_DOUBLE_EQ(os::frac(2.75), 0.75);
  EXPECT_DOUBLE_EQ(os::frac(-2.75), -0.75);
  EXPECT_EQ(os::frac(5.0), 0.0);
}

struct TDuration {
  int years, months, days;
  double fd;
};

TDuration SplitDuration(double d) {
  TDuration r{-1, -1, -1, -1};
  os::iDays(d, &r.years, &r.months, &r.days, &r.fd);
  return r;
}

TEST(OsDayFraction, DurationsRoundTrip) {
  const TDuration cases[] = {
      {0, 0, 0, 0.0},          {1, 2, 3, 0.25},
      {10, 5, 17, os::HMS2fd(13, 14, 15, 16)}, {0, 11, 1, 0.5},
      {2, 0, 0, 0.0},          {100, 7, 29, os::HMS2fd(0, 0, 0, 1)},
      {5000, 3, 12, 0.125},    {0, 0, 29, os::HMS2fd(23, 59, 59, 999)},
  };
  for (const TDuration& c : cases) {
    SCOPED_TRACE(testing::Message() << c.years << "y " << c.months << "m " << c.days << "d "
                                    << c.fd);
    const TDuration r = SplitDuration(os::Days(c.years, c.months, c.days, c.fd));
    EXPECT_EQ(r.years, c.years);
    EXPECT_EQ(r.months, c.months);
    EXPECT_EQ(r.days, c.days);
    EXPECT_NEAR(r.fd, c.fd, 1e-12);
  }
}

TEST(OsDayFraction, DurationFractionRoundsToMillisecondsAndCarriesAFullDay) {
  TDuration r = SplitDuration(os::Days(0, 0, 5, 0.3 / kMsPerDay + 0.25));
  EXPECT_EQ(r.fd, 0.25);  // 0.3 ms rounded away
  r = SplitDuration(os::Days(3, 2, 5, 1.0 - 0.2 / kMsPerDay));
  EXPECT_EQ(r.years, 3);
  EXPECT_EQ(r.months, 2);
  EXPECT_EQ(r.days, 6);
  EXPECT_EQ(r.fd, 0.0);
}

TEST(OsDayFraction, NonsenseInputsStayDefined) {
  const double inputs[] = {NAN, INFINITY, -INFINITY, 1e300, -1e300, -0.5, 7.25};
  for (double x : inputs) {
    Split(x);
    os::fd2HMS(x, nullptr, nullptr, nullptr, nullptr);
    SplitDuration(x);
    os::iDays(x, nullptr, nullptr, nullptr, nullptr);
  }
  EXPECT_TRUE(std::isfinite(os::HMS2fd(INT_MAX, INT_MIN, INT_MAX, INT_MIN)));
  EXPECT_TRUE(std::isfinite(os::Days(INT_MAX, INT_MAX, INT_MAX, 0.0)));
}

}  // namespace
