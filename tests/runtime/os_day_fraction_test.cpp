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
      {1.0 / 3.0, {8, 0, 0, 0, false}},
      {0.9999999999, {24, 0, 0, 0, true}},
      {1.0 - 0.4 / kMsPerDay, {24, 0, 0, 0, true}},
      {1.0 - 0.6 / kMsPerDay, {23, 59, 59, 999, false}},
      {os::HMS2fd(10, 59, 59, 0) + 0.9996 / 86400.0, {11, 0, 0, 0, false}},
      {os::HMS2fd(10, 14, 58, 0) + 0.9996 / 86400.0, {10, 14, 59, 0, false}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.fd), c.clock) << c.fd;
}

// The duration arithmetic counts in mean years of 365.25 days and months of
// 30.6001 days; a day fraction of 24:00 carries into the days.
TEST(OsDayFraction, DurationsUseTheMeanYearAndMonth) {
  EXPECT_DOUBLE_EQ(os::Days(1, 0, 0, 0.0), 365.25);
  EXPECT_DOUBLE_EQ(os::Days(0, 1, 0, 0.0), 30.6001);
  EXPECT_DOUBLE_EQ(os::Days(2, 3, 4, 0.5), 730.5 + 91.8003 + 4.5);
  struct Case {
    double duration;
    int years, months, days;
    double fd;
  };
  const Case cases[] = {
      {1461.0 + 10.25, 4, 0, 10, 0.25},
      {2 * 30.6001 + 5.5, 0, 2, 5, 0.5},
      {3 * 365.25 + 2 * 30.6001 + 6 - 0.2 / kMsPerDay, 3, 2, 6, 0.0},
  };
  for (const Case& c : cases) {
    int y = -1, m = -1, d = -1;
    double fd = -1;
    os::iDays(c.duration, &y, &m, &d, &fd);
    EXPECT_EQ(y, c.years) << c.duration;
    EXPECT_EQ(m, c.months) << c.duration;
    EXPECT_EQ(d, c.days) << c.duration;
    EXPECT_NEAR(fd, c.fd, 1e-9) << c.duration;
  }
}

}  // namespace
