// Lib's local date and time: read with localtime_r, set with clock_settime.
#include <chrono>
#include <ctime>

#include "runtime/lib_datetime.h"
#include "tqusb/runtime/lib.h"

namespace Lib {

namespace {

struct LocalNow {
  std::tm fields;
  long nanoseconds;
};

LocalNow ReadLocalNow() {
  LocalNow now{};
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  localtime_r(&ts.tv_sec, &now.fields);
  now.nanoseconds = ts.tv_nsec;
  return now;
}

bool IsLeapYear(unsigned year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Sets the system clock to the given local time; false when the time does not
// exist locally or the system refuses (an unprivileged process, a container).
bool SetLocal(std::tm fields, long nanoseconds) {
  fields.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&fields);
  if (seconds == static_cast<std::time_t>(-1)) return false;
  const timespec ts{seconds, nanoseconds};
  return clock_settime(CLOCK_REALTIME, &ts) == 0;
}

}  // namespace

bool IsValidDate(unsigned year, unsigned month, unsigned day) {
  static const unsigned char kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  // The calendar range of the system time record: 1601 to 30827.
  if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1) return false;
  return day <= (month == 2 && IsLeapYear(year) ? 29u : kDays[month - 1]);
}

void GetDate(unsigned short& year, unsigned short& month, unsigned short& day, DayType& dayOfWeek) {
  const LocalNow now = ReadLocalNow();
  year = static_cast<unsigned short>(now.fields.tm_year + 1900);
  month = static_cast<unsigned short>(now.fields.tm_mon + 1);
  day = static_cast<unsigned short>(now.fields.tm_mday);
  dayOfWeek = static_cast<DayType>(now.fields.tm_wday);
}

void GetTime(unsigned short& hour, unsigned short& minute, unsigned short& second,
             unsigned short& millisecond) {
  const LocalNow now = ReadLocalNow();
  hour = static_cast<unsigned short>(now.fields.tm_hour);
  minute = static_cast<unsigned short>(now.fields.tm_min);
  // A leap second reads as second 59 of that minute.
  second = static_cast<unsigned short>(now.fields.tm_sec > 59 ? 59 : now.fields.tm_sec);
  millisecond = static_cast<unsigned short>(now.nanoseconds / 1000000);
}

unsigned char SetDate(unsigned short year, unsigned short month, unsigned short day) {
  if (!IsValidDate(year, month, day)) return 0;
  LocalNow now = ReadLocalNow();
  now.fields.tm_year = year - 1900;
  now.fields.tm_mon = month - 1;
  now.fields.tm_mday = day;
  return SetLocal(now.fields, now.nanoseconds) ? 1 : 0;
}

unsigned char SetTime(unsigned short hour, unsigned short minute, unsigned short second,
                      unsigned short millisecond) {
  if (hour > 23 || minute > 59 || second > 59 || millisecond > 999) return 0;
  LocalNow now = ReadLocalNow();
  now.fields.tm_hour = hour;
  now.fields.tm_min = minute;
  now.fields.tm_sec = second;
  return SetLocal(now.fields, static_cast<long>(millisecond) * 1000000) ? 1 : 0;
}

}  // namespace Lib
