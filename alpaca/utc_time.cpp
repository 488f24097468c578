#include "utc_time.h"

#include <cstdio>
#include <ctime>

namespace tqalpaca {

std::string FitsTime(std::chrono::system_clock::time_point t) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  tqusb::DateTime d;
  d.year = utc.tm_year + 1900;
  d.month = utc.tm_mon + 1;
  d.day = utc.tm_mday;
  d.hour = static_cast<uint32_t>(utc.tm_hour);
  d.minute = static_cast<uint32_t>(utc.tm_min);
  d.second = utc.tm_sec + static_cast<double>(ms % 1000) / 1000.0;
  return FitsTime(d);
}

std::string FitsTime(const tqusb::DateTime& t) {
  char text[48];
  // Rounded to milliseconds without ever showing 60 seconds.
  long millis = static_cast<long>(t.second * 1000.0 + 0.5);
  if (millis > 59999) millis = 59999;
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02u:%02u:%02ld.%03ld", t.year, t.month, t.day,
                t.hour, t.minute, millis / 1000, millis % 1000);
  return text;
}

}  // namespace tqalpaca
