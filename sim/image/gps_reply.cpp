#include "image/gps_reply.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tqsim::image {
namespace {

constexpr uint8_t kStatusOk = 0x80;
constexpr uint8_t kStatusUnknown = 0x83;
// Counter values from this one up mean "no fix" to the host.
constexpr uint32_t kNoFixTicks = 37875000;
// Position texts must fit a 64-byte reply after status and length.
constexpr size_t kMaxPositionText = 62;

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  auto doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = static_cast<int64_t>(yoe) + era * 400;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

struct Centis {
  int year, month, day, hour, minute, centis;  // centis: seconds x 100
};

Centis SplitCentis(int64_t total) {
  int64_t days = total >= 0 ? total / 8640000 : -((-total + 8639999) / 8640000);
  int64_t rest = total - days * 8640000;
  Centis c{};
  CivilFromDays(days, c.year, c.month, c.day);
  c.hour = static_cast<int>(rest / 360000);
  c.minute = static_cast<int>(rest / 6000 % 60);
  c.centis = static_cast<int>(rest % 6000);
  return c;
}

// degrees -> "ddmm.mmmm" (or "dddmm.mmmm") of the absolute value.
std::string DegreesMinutes(double degrees, int degreeDigits) {
  auto tenThousandths = static_cast<int64_t>(std::llround(std::fabs(degrees) * 600000.0));
  int64_t deg = tenThousandths / 600000;
  int64_t minutes = tenThousandths % 600000;
  char text[32];
  std::snprintf(text, sizeof text, "%0*lld%02lld.%04lld", degreeDigits, static_cast<long long>(deg),
                static_cast<long long>(minutes / 10000), static_cast<long long>(minutes % 10000));
  return text;
}

}  // namespace

UtcTime UtcFromUnix(double unixSeconds) {
  double days = std::floor(unixSeconds / 86400.0);
  double rest = unixSeconds - days * 86400.0;
  UtcTime t;
  CivilFromDays(static_cast<int64_t>(days), t.year, t.month, t.day);
  t.hour = static_cast<int>(rest / 3600.0);
  t.minute = static_cast<int>((rest - t.hour * 3600.0) / 60.0);
  t.second = rest - t.hour * 3600.0 - t.minute * 60.0;
  return t;
}

std::string TimeText(double unixSeconds, bool hundredths) {
  auto total = static_cast<int64_t>(std::floor(unixSeconds * (hundredths ? 100.0 : 1.0)));
  if (!hundredths) total *= 100;
  Centis c = SplitCentis(total);
  char text[64];
  std::snprintf(text, sizeof text, "%02d%02d%02d.%02d,%02d,%02d,%04d", c.hour, c.minute,
                c.centis / 100, c.centis % 100, c.day, c.month, c.year);
  return text;
}

std::string PositionText(const GpsReceiver& receiver, double unixSeconds) {
  Centis c = SplitCentis(static_cast<int64_t>(std::floor(unixSeconds)) * 100);
  char time[16];
  std::snprintf(time, sizeof time, "%02d%02d%02d", c.hour, c.minute, c.centis / 100);
  if (!receiver.fix) return std::string(time) + ",,,,,0,00,,,M,,M,,";

  char tail[64];
  std::snprintf(tail, sizeof tail, ",1,%02u,0.9,%.1f,", receiver.satellites, receiver.altitude);
  std::string text = std::string(time) + "," + DegreesMinutes(receiver.latitude, 2) + "," +
                     (receiver.latitude < 0 ? "S" : "N") + "," +
                     DegreesMinutes(receiver.longitude, 3) + "," +
                     (receiver.longitude < 0 ? "W" : "E") + tail;
  // The unit, geoid height and trailing fields, as far as the reply holds them.
  const std::string rest = "M,0.0,M,,";
  if (text.size() + rest.size() <= kMaxPositionText) text += rest;
  return text.substr(0, kMaxPositionText);
}

std::vector<uint8_t> TimeReply(const GpsReceiver& receiver, double unixSeconds) {
  if (!receiver.present) return {kStatusUnknown};
  uint32_t frequency = receiver.counterFrequency;
  // A counter fast enough to reach the no-fix mark within a second gets a
  // text with hundredths of a second, so its ticks stay small.
  bool hundredths = frequency >= kNoFixTicks;
  double step = hundredths ? 0.01 : 1.0;
  double base = std::floor(unixSeconds / step) * step;
  double fraction = unixSeconds - base;
  if (fraction < 0.0) fraction = 0.0;
  uint32_t ticks = static_cast<uint32_t>(std::min(fraction * frequency, double{kNoFixTicks - 1}));
  if (!receiver.fix) ticks = 0xFFFFFFFFu;

  std::string text = TimeText(unixSeconds, hundredths);
  std::vector<uint8_t> reply{kStatusOk};
  PutU32(reply, ticks);
  PutU32(reply, 0);
  reply.push_back(static_cast<uint8_t>(text.size()));
  reply.insert(reply.end(), text.begin(), text.end());
  return reply;
}

std::vector<uint8_t> PositionReply(const GpsReceiver& receiver, double unixSeconds) {
  if (!receiver.present) return {kStatusUnknown};
  std::string text = PositionText(receiver, unixSeconds);
  std::vector<uint8_t> reply{kStatusOk, static_cast<uint8_t>(text.size())};
  reply.insert(reply.end(), text.begin(), text.end());
  return reply;
}

std::vector<uint8_t> FrequencyReply(const GpsReceiver& receiver) {
  if (!receiver.counter) return {kStatusUnknown};
  std::vector<uint8_t> reply{kStatusOk};
  PutU32(reply, receiver.counterFrequency);
  return reply;
}

std::vector<uint8_t> GpsReply(uint8_t opcode, const GpsReceiver& receiver, double now,
                              double lastExposureStart) {
  switch (opcode) {
    case 0x2A:
      return TimeReply(receiver, lastExposureStart);
    case 0x2B:
      return TimeReply(receiver, now);
    case 0x2C:
      return PositionReply(receiver, now);
    case 0x2D:
      return FrequencyReply(receiver);
    default:
      return {};
  }
}

}  // namespace tqsim::image
