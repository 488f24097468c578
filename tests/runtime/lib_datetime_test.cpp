#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "tqusb/runtime/lib.h"

namespace {

TEST(DateTime, ReadsTheLocalCalendarAndClock) {
  unsigned short year = 0, month = 0, day = 0;
  Lib::DayType weekday = Lib::Saturday;
  const std::time_t before = std::time(nullptr);
  Lib::GetDate(year, month, day, weekday);
  std::tm local{};
  localtime_r(&before, &local);
  // Midnight may pass between the two readings; compare with either side.
  if (day != local.tm_mday) {
    const std::time_t after = std::time(nullptr);
    localtime_r(&after, &local);
  }
  EXPECT_EQ(year, local.tm_year + 1900);
  EXPECT_EQ(month, local.tm_mon + 1);
  EXPECT_EQ(day, local.tm_mday);
  EXPECT_EQ(static_cast<int>(weekday), local.tm_wday);

  unsigned short hour = 99, minute = 99, second = 99, ms = 9999;
  Lib::GetTime(hour, minute, second, ms);
  EXPECT_LT(hour, 24);
  EXPECT_LT(minute, 60);
  EXPECT_LT(second, 60);
  EXPECT_LT(ms, 1000);
}

TEST(DateTime, RejectsFieldsOutOfRangeWithoutTouchingTheClock) {
  struct DateCase {
    unsigned short year, month, day;
  };
  const DateCase dates[] = {{2023, 2, 29}, {2024, 13, 1}, {2024, 0, 1},  {2024, 4, 31},
                            {2024, 1, 0},  {1600, 1, 1},  {30828, 1, 1}, {2100, 2, 29}};
  for (const DateCase& d : dates) {
    EXPECT_EQ(Lib::SetDate(d.year, d.month, d.day), 0) << d.year << "-" << d.month << "-" << d.day;
  }
  struct TimeCase {
    unsigned short hour, minute, second, ms;
  };
  const TimeCase times[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
  for (const TimeCase& t : times) {
    EXPECT_EQ(Lib::SetTime(t.hour, t.minute, t.second, t.ms), 0) << t.hour << ":" << t.minute;
  }
}

TEST(DateTime, DelayWaitsAtLeastTheGivenTime) {
  const auto start = std::chrono::steady_clock::now();
  Lib::Delay(30);
  Lib::Speaker(440, 10);
  Lib::Sound(440);
  Lib::NoSound();
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
}

}  // namespace
