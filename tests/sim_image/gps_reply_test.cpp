#include "image/gps_reply.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace tqsim::image;

namespace {

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> out(1);
  for (char c : text) {
    if (c == ',')
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

// Seconds since 1970 of a receiver time text plus the counters, by plain
// day counting.
double DecodeTime(const std::vector<uint8_t>& reply, double period) {
  std::string text(reply.begin() + 10, reply.begin() + 10 + reply[9]);
  std::vector<std::string> f = Fields(text);
  double hms = std::stod(f[0]);
  int day = std::stoi(f[1]), month = std::stoi(f[2]), year = std::stoi(f[3]);
  int64_t days = 0;
  for (int y = 1970; y < year; ++y)
    days += (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)) ? 366 : 365;
  const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m < month; ++m)
    days += lengths[m - 1] + (m == 2 && year % 4 == 0 && (year % 100 != 0 || year % 400 == 0));
  days += day - 1;
  int h = int(hms / 10000), mi = int(hms / 100) % 100;
  double s = hms - h * 10000 - mi * 100;
  return days * 86400.0 + h * 3600 + mi * 60 + s + U32(reply, 5) + U32(reply, 1) * period;
}

}  // namespace

TEST(GpsReply, UtcConversionOfKnownDates) {
  UtcTime t = UtcFromUnix(1764851719.0);  // 2025-12-04 12:35:19
  EXPECT_EQ(t.year, 2025);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 4);
  EXPECT_EQ(t.hour, 12);
  EXPECT_EQ(t.minute, 35);
  EXPECT_DOUBLE_EQ(t.second, 19.0);
  EXPECT_EQ(TimeText(951868800.0 - 0.5, false), "235959.00,29,02,2000");
  EXPECT_EQ(TimeText(951868800.25, true), "000000.25,01,03,2000");
}

TEST(GpsReply, TimeRepliesDescribeTheClockWithinASecond) {
  GpsReceiver rx;
  for (uint32_t frequency : {37500000u, 1000000u, 50000000u}) {
    rx.counterFrequency = frequency;
    for (double now : {1764851719.0, 1764851719.731, 1798761599.999}) {
      std::vector<uint8_t> reply = TimeReply(rx, now);
      ASSERT_GE(reply.size(), 20u);
      EXPECT_EQ(reply[0], 0x80);
      EXPECT_EQ(reply.size(), 10u + reply[9]);
      EXPECT_LT(U32(reply, 1), 37875000u);
      EXPECT_NEAR(DecodeTime(reply, 1.0 / frequency), now, 1e-4) << frequency;
    }
  }
  std::vector<uint8_t> f = FrequencyReply(rx);
  ASSERT_EQ(f.size(), 5u);
  EXPECT_EQ(f[0], 0x80);
  EXPECT_EQ(U32(f, 1), rx.counterFrequency);
}

TEST(GpsReply, OpcodesPickTheirTimes) {
  GpsReceiver rx;
  EXPECT_EQ(GpsReply(0x2A, rx, 2000.0, 1000.0), TimeReply(rx, 1000.0));
  EXPECT_EQ(GpsReply(0x2B, rx, 2000.0, 1000.0), TimeReply(rx, 2000.0));
  EXPECT_EQ(GpsReply(0x2C, rx, 2000.0, 1000.0), PositionReply(rx, 2000.0));
  EXPECT_EQ(GpsReply(0x2D, rx, 2000.0, 1000.0), FrequencyReply(rx));
  EXPECT_TRUE(GpsReply(0x2E, rx, 2000.0, 1000.0).empty());
}

TEST(GpsReply, PositionWithAFixCarriesTheConfiguredReceiver) {
  struct Place {
    double lat, lon, alt;
    unsigned sats;
    const char *latText, *ns, *lonText, *ew;
  };
  const Place places[] = {
      {48.1173, 11.516667, 545.4, 8, "4807.0380", "N", "01131.0000", "E"},
      {-33.8568, -70.2, -12.5, 11, "3351.4080", "S", "07012.0000", "W"},
      {0.0, 179.99999, 4100.0, 3, "0000.0000", "N", "17959.9994", "E"},
  };
  for (const Place& p : places) {
    GpsReceiver rx;
    rx.latitude = p.lat;
    rx.longitude = p.lon;
    rx.altitude = p.alt;
    rx.satellites = p.sats;
    std::vector<uint8_t> reply = PositionReply(rx, 1764851719.0);
    ASSERT_EQ(reply[0], 0x80);
    ASSERT_EQ(reply.size(), 2u + reply[1]);
    ASSERT_LE(reply.size(), 64u);
    std::vector<std::string> f = Fields(std::string(reply.begin() + 2, reply.end()));
    ASSERT_GE(f.size(), 10u);
    EXPECT_EQ(f[0], "123519");
    EXPECT_EQ(f[1], p.latText);
    EXPECT_EQ(f[2], p.ns);
    EXPECT_EQ(f[3], p.lonText);
    EXPECT_EQ(f[4], p.ew);
    EXPECT_EQ(f[5], "1");
    EXPECT_EQ(std::stoul(f[6]), p.sats);
    EXPECT_DOUBLE_EQ(std::stod(f[8]), p.alt);
  }
}

TEST(GpsReply, NoFixAndNoReceiver) {
  GpsReceiver rx;
  rx.fix = false;
  std::vector<uint8_t> t = TimeReply(rx, 1000.0);
  EXPECT_GE(U32(t, 1), 37875000u);
  std::vector<uint8_t> pos = PositionReply(rx, 1000.0);
  std::vector<std::string> f = Fields(std::string(pos.begin() + 2, pos.end()));
  ASSERT_GE(f.size(), 9u);
  EXPECT_TRUE(f[1].empty());
  EXPECT_TRUE(f[3].empty());
  EXPECT_TRUE(f[8].empty());
  EXPECT_GE(pos[1], 11);

  rx.present = false;
  for (uint8_t op : {0x2A, 0x2B, 0x2C, 0x2D})
    EXPECT_EQ(GpsReply(op, rx, 1.0, 1.0), std::vector<uint8_t>{0x83});
}
