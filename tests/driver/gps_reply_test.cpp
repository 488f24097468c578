// GPS receiver replies parsed from hand-made bytes: the calendar carry of the
// counted time, the no-fix mark, and every way a reply can be corrupted.
#include "driver/acquisition/gps_reply.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using tQusb::gps::TParse;
constexpr double kDefaultPeriod = 2.6666666666666667e-08;
constexpr int32_t kUnset = -7;  // an output the parser must not have written

std::vector<uint8_t> TimeReply(uint32_t ticks, uint32_t seconds, const std::string& text,
                               int length = -1) {
  std::vector<uint8_t> r{0x80};
  for (uint32_t v : {ticks, seconds})
    for (int i = 0; i < 4; ++i) r.push_back(static_cast<uint8_t>(v >> (8 * i)));
  r.push_back(static_cast<uint8_t>(length < 0 ? text.size() : length));
  r.insert(r.end(), text.begin(), text.end());
  return r;
}

std::vector<uint8_t> PositionReply(const std::string& text, int length = -1) {
  std::vector<uint8_t> r{0x80, static_cast<uint8_t>(length < 0 ? text.size() : length)};
  r.insert(r.end(), text.begin(), text.end());
  return r;
}

struct TimeCase {
  const char* name;
  std::vector<uint8_t> reply;
  TParse result;
  int32_t year, month, day, hour, minute;
  double second;
};

TEST(GpsReply, TimeReplies) {
  const TimeCase cases[] = {
      {"plain", TimeReply(0, 0, "123519.00,04,12,2026"), TParse::Ok, 2026, 12, 4, 12, 35, 19.0},
      {"counted across the year end", TimeReply(0, 3, "235959.5,31,12,2025"), TParse::Ok, 2026, 1,
       1, 0, 0, 2.5},
      {"ticks add half a second", TimeReply(18750000, 0, "000000,01,03,2026"), TParse::Ok, 2026, 3,
       1, 0, 0, 0.5},
      {"into a leap day", TimeReply(0, 2, "235959,28,02,2024"), TParse::Ok, 2024, 2, 29, 0, 0, 1.0},
      {"not a leap day in 2100", TimeReply(0, 2, "235959,28,02,2100"), TParse::Ok, 2100, 3, 1, 0,
       0, 1.0},
      {"ticks just below the no-fix mark", TimeReply(37874999, 0, "120000,01,01,2026"), TParse::Ok,
       2026, 1, 1, 12, 0, 1.00999997},
      {"no fix", TimeReply(37875000, 0, "120000,01,01,2026"), TParse::NoFix, kUnset, kUnset,
       kUnset, kUnset, kUnset, kUnset},
      {"reply too short", TimeReply(0, 0, "1200,1,1,"), TParse::Corrupted, kUnset, kUnset,
       kUnset, kUnset, kUnset, kUnset},
      {"text too short", TimeReply(0, 0, "120000,01,01,2026", 10), TParse::Corrupted, kUnset,
       kUnset, kUnset, kUnset, kUnset, kUnset},
      {"no comma after the time", TimeReply(0, 0, "12000001012026"), TParse::Corrupted, kUnset,
       kUnset, kUnset, kUnset, kUnset, kUnset},
      {"time not a number", TimeReply(0, 0, "12x000,01,01,2026"), TParse::Corrupted, kUnset,
       kUnset, kUnset, kUnset, kUnset, kUnset},
      {"no comma after the day", TimeReply(0, 0, "123519.00,0412.2026"), TParse::Corrupted, kUnset,
       kUnset, kUnset, 12, 35, 19.0},
      {"no comma after the month", TimeReply(0, 0, "123519.00,04,122026"), TParse::Corrupted,
       kUnset, kUnset, 4, 12, 35, 19.0},
      {"empty day", TimeReply(0, 0, "123519.00,,12,2026"), TParse::Corrupted, kUnset, kUnset,
       kUnset, 12, 35, 19.0},
      {"year not a number", TimeReply(0, 0, "123519.00,04,12,20x6"), TParse::Corrupted, kUnset, 12,
       4, 12, 35, 19.0},
  };
  for (const TimeCase& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t year = kUnset, month = kUnset, day = kUnset;
    uint32_t hour = static_cast<uint32_t>(kUnset), minute = static_cast<uint32_t>(kUnset);
    double second = kUnset;
    const auto received = static_cast<uint32_t>(c.reply.size());
    TParse result = tQusb::gps::CheckTimeHeader(c.reply.data(), received);
    if (result == TParse::Ok) {
      const double elapsed = tQusb::gps::ElapsedSeconds(c.reply.data(), kDefaultPeriod);
      result = tQusb::gps::ParseTimeText(c.reply.data(), received, elapsed,
                                         {&year, &month, &day, &hour, &minute, &second});
    }
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(year, c.year);
    EXPECT_EQ(month, c.month);
    EXPECT_EQ(day, c.day);
    EXPECT_EQ(static_cast<int32_t>(hour), c.hour);
    EXPECT_EQ(static_cast<int32_t>(minute), c.minute);
    EXPECT_NEAR(second, c.second, 1e-4);
  }
}

struct PositionCase {
  const char* name;
  std::vector<uint8_t> reply;
  TParse result;
  double latitude, longitude, altitude;
  int satellites;
  int valid;  // -1: not written
};

TEST(GpsReply, PositionReplies) {
  const PositionCase cases[] = {
      {"full fix", PositionReply("123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
       TParse::Ok, 48.1173, 11.516666667, 545.4, 8, 1},
      {"south and west", PositionReply("123519,4807.038,S,01131.000,W,1,08,0.9,545.4,M,"),
       TParse::Ok, -48.1173, -11.516666667, 545.4, 8, 1},
      {"hemisphere letters in lower case are not negative",
       PositionReply("123519,4807.038,s,01131.000,w,1,08,0.9,545.4,M,"), TParse::Ok, 48.1173,
       11.516666667, 545.4, 8, 1},
      {"empty latitude", PositionReply("123519,,N,01131.000,E,1,08,0.9,545.4,M,"), TParse::Ok, 0.0,
       11.516666667, 545.4, 8, 0},
      {"empty hemisphere", PositionReply("123519,4807.038,,01131.000,E,1,08,0.9,545.4,M,"),
       TParse::Ok, 0.0, 11.516666667, 545.4, 8, 0},
      {"empty field 7 keeps the fix valid",
       PositionReply("123519,4807.038,N,01131.000,E,1,08,,545.4,M,"), TParse::Ok, 48.1173,
       11.516666667, 545.4, 8, 1},
      {"empty altitude", PositionReply("123519,4807.038,N,01131.000,E,1,08,0.9,,M,"), TParse::Ok,
       48.1173, 11.516666667, 0.0, 8, 0},
      {"no fix: all empty", PositionReply("123519,,,,,0,00,,,M,,M,,"), TParse::Ok, 0.0, 0.0, 0.0,
       0, 0},
      {"ends after the satellites", PositionReply("123519,4807.038,N,01131.000,E,1,08"),
       TParse::Corrupted, 48.1173, 11.516666667, -7, -7, 1},
      {"no comma after the altitude", PositionReply("123519,4807.038,N,01131.000,E,1,08,0.9,545"),
       TParse::Corrupted, 48.1173, 11.516666667, -7, 8, 1},
      {"altitude not a number", PositionReply("123519,4807.038,N,01131.000,E,1,08,0.9,5x5,M,"),
       TParse::Corrupted, 48.1173, 11.516666667, 0.0, 8, 1},
      {"satellites not a number", PositionReply("123519,4807.038,N,01131.000,E,1,x8,0.9,545,M,"),
       TParse::Corrupted, 48.1173, 11.516666667, -7, -7, 1},
      {"latitude not a number", PositionReply("123519,48o7.038,N,01131.000,E,1,08,0.9,545,M,"),
       TParse::Corrupted, -7, -7, -7, -7, 1},
      {"no comma at all", PositionReply("123519480703"), TParse::Corrupted, -7, -7, -7, -7, 1},
      {"text too short", PositionReply("123519,4807.038,N,01131.000,E,1,08,0.9,545,M,", 10),
       TParse::Corrupted, -7, -7, -7, -7, -1},
      {"reply too short", PositionReply("1235,48", 12), TParse::Corrupted, -7, -7, -7, -7, -1},
      {"length beyond the bytes received", PositionReply("123519,4807.038,N,01131.000,E,1,08", 200),
       TParse::Corrupted, 48.1173, 11.516666667, -7, -7, 1},
  };
  for (const PositionCase& c : cases) {
    SCOPED_TRACE(c.name);
    double latitude = -7, longitude = -7, altitude = -7;
    uint32_t satellites = static_cast<uint32_t>(-7);
    bool valid = false;
    const TParse result = tQusb::gps::ParsePosition(
        c.reply.data(), static_cast<uint32_t>(c.reply.size()),
        {&latitude, &longitude, &altitude, &satellites, &valid});
    EXPECT_EQ(result, c.result);
    EXPECT_NEAR(latitude, c.latitude, 1e-6);
    EXPECT_NEAR(longitude, c.longitude, 1e-6);
    EXPECT_NEAR(altitude, c.altitude, 1e-9);
    EXPECT_EQ(static_cast<int>(satellites), c.satellites);
    EXPECT_EQ(valid, c.valid == 1);  // -1: never written, so still false
  }
}

}  // namespace
