#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "runtime/lib_datetime.h"
#include "tqusb/runtime/lib.h"

namespace {

TEST(DateTime, ReadsTheLocalCalendar) {
  unsigned short year = 0, month = 0, day = 0;
  Lib::DayType weekday = Lib::Saturday;
  Lib::GetDate(year, month, day, weekday);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  if (day == local.tm_mday) {  // midnight may pass between the two readings
    EXPECT_EQ(year, local.tm_year + 1900);
    EXPECT_EQ(month, local.tm_mon + 1);
    EXPECT_EQ(static_cast<int>(weekday), local.tm_wday);
  }
}

// The dates the setter accepts, checked without setting the clock: the
// Gregorian leap rule with its 100- and 400-year exceptions, and the range.
TEST(DateTime, ValidDates) {
  struct Case {
    unsigned year, month, day;
    bool valid;
  } cases[] = {{2000, 2, 29, true},  {2100, 2, 29, false}, {2024, 2, 29, true},
               {2023, 2, 29, false}, {2024, 4, 31, false}, {2024, 12, 31, true},
               {2024, 13, 1, false}, {2024, 0, 1, false},  {2024, 1, 0, false},
               {1601, 1, 1, true},   {1600, 12, 31, false}, {30827, 12, 31, true},
               {30828, 1, 1, false}};
  for (const Case& c : cases)
    EXPECT_EQ(Lib::IsValidDate(c.year, c.month, c.day), c.valid) << c.year << "-" << c.month;
}

// Out-of-range fields must be refused before anything tries to set the clock.
TEST(DateTime, RejectsFieldsOutOfRange) {
  EXPECT_EQ(Lib::SetDate(2100, 2, 29), 0);
  const unsigned short times[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
  for (const auto& t : times) EXPECT_EQ(Lib::SetTime(t[0], t[1], t[2], t[3]), 0) << t[0];
}

TEST(DateTime, DelayWaitsAtLeastTheGivenTime) {
  const auto start = std::chrono::steady_clock::now();
  Lib::Delay(30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

}  // namespace
