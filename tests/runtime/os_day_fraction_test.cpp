#include <gtest/gtest.h>

#include <cmath>

#include "tqusb/runtime/os.h"

namespace {

constexpr double kMsPerDay = 86400000.0;

struct TClock {
  int h, m, s, ms;
  bool nextDay;
  bool operator==(const TClock&) const = default;
};

TClock Split(double fd) {
  TClock c{-1, -1, -1, -1, false};
  c.nextDay = os::fd2HMS(fd, &c.h, &c.m, &c.s, &c.ms);
  return c;
}

TEST(OsDayFraction, TruncatesThenRoundsTheMillisecondWithCarries) {
  struct Case {
    double fd;
    TClock clock;
  };
  const Case cases[] = {
      {0.5, {12, 0, 0, 0, false}},
      {1.0 / 3.0, {8, 0, 0, 0, false}},
      {0.9999999999, {24, 0, 0, 0, true}},
      {1.0 - 0.4 / kMsPerDay, {24, 0, 0, 0, true}},
      {1.0 - 0.6 / kMsPerDay, {23, 59, 59, 999, false}},
      {os::HMS2fd(10, 59, 59, 0) + 0.9996 / 86400.0, {11, 0, 0, 0, false}},
      {os::HMS2fd(10, 14, 58, 0) + 0.9996 / 86400.0, {10, 14, 59, 0, false}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.fd), c.clock) << c.fd;
}

// Milliseconds spread over the day, and all of the first and last seconds,
// survive HMS2fd and fd2HMS unchanged.
TEST(OsDayFraction, MillisecondsOfTheDayRoundTrip) {
  auto check = [](int t) {
    const TClock clock{t / 3600000, t / 60000 % 60, t / 1000 % 60, t % 1000, false};
    EXPECT_EQ(Split(os::HMS2fd(clock.h, clock.m, clock.s, clock.ms)), clock) << t << " ms";
    return !testing::Test::HasFailure();
  };
  for (int t = 0; t < 86400000 && check(t); t += 997) {
  }
  for (int t = 0; t < 1000 && check(t) && check(86399999 - t); ++t) {
  }
}

TEST(OsDayFraction, DurationsRoundTripAndCarryAFullDay) {
  struct Case {
    int years, months, days;
    double fd;
    int expectedDays;
    double expectedFd;
  };
  const Case cases[] = {
      {0, 0, 0, 0.0, 0, 0.0},
      {1, 2, 3, 0.25, 3, 0.25},
      {2, 0, 0, 0.0, 0, 0.0},
      {0, 11, 1, 0.5, 1, 0.5},
      {5000, 3, 12, 0.125, 12, 0.125},
      {100, 7, 29, 1 / kMsPerDay, 29, 1 / kMsPerDay},
      {0, 0, 5, 0.25 + 0.3 / kMsPerDay, 5, 0.25},  // rounded to the millisecond
      {3, 2, 5, 1.0 - 0.2 / kMsPerDay, 6, 0.0},    // 24:00 carries into the days
  };
  for (const Case& c : cases) {
    int y = -1, m = -1, d = -1;
    double fd = -1;
    os::iDays(os::Days(c.years, c.months, c.days, c.fd), &y, &m, &d, &fd);
    EXPECT_EQ(y, c.years);
    EXPECT_EQ(m, c.months);
    EXPECT_EQ(d, c.expectedDays);
    EXPECT_NEAR(fd, c.expectedFd, 1e-12);
  }
}

}  // namespace
