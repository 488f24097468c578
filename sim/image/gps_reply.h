// Replies of a camera's GPS receiver and time-stamp counter.
//
//   0x2A / 0x2B  time reply: status, u32 ticks of the counter since the time
//                the text names, u32 whole seconds to add, u8 text length,
//                text "hhmmss.ss,dd,mm,yyyy" (UTC). Without a fix the ticks
//                are 0xFFFFFFFF. 0x2A describes the start of the last
//                exposure, 0x2B the present moment.
//   0x2C         position reply: status, u8 text length, the fields of a
//                GGA sentence without its name: time, latitude ddmm.mmmm,
//                N/S, longitude dddmm.mmmm, E/W, fix quality, satellites,
//                dilution, altitude, unit, geoid height, unit, and two empty
//                fields. Without a fix the position fields are empty.
//   0x2D         frequency reply: status, u32 counter frequency in Hz.
// A camera without a receiver answers 0x2A to 0x2C with the single status
// byte 0x83 (unknown instruction): its firmware has no time to count from and
// no position to pass on. 0x2D is answered by any camera with a time-stamp
// counter, with or without a receiver; without a counter it is 0x83 as well.
// Numbers are little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tqsim::image {

struct GpsReceiver {
  bool present = true;   // the receiver: time and position replies
  bool counter = true;   // the time-stamp counter: frequency reply
  bool fix = true;
  double latitude = 48.1173;     // degrees, north positive
  double longitude = 11.516667;  // degrees, east positive
  double altitude = 545.4;       // metres
  unsigned satellites = 8;
  uint32_t counterFrequency = 37500000;  // Hz
};

struct UtcTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0;
  double second = 0.0;
};

// Civil UTC time of a count of seconds since 1970-01-01 00:00:00 UTC.
UtcTime UtcFromUnix(double unixSeconds);

// Receiver texts.
std::string TimeText(double unixSeconds, bool hundredths);
std::string PositionText(const GpsReceiver& receiver, double unixSeconds);

std::vector<uint8_t> TimeReply(const GpsReceiver& receiver, double unixSeconds);
std::vector<uint8_t> PositionReply(const GpsReceiver& receiver, double unixSeconds);
std::vector<uint8_t> FrequencyReply(const GpsReceiver& receiver);

// Reply to one of the opcodes 0x2A to 0x2D (empty for any other opcode).
// lastExposureStart is used by 0x2A, now by 0x2B and 0x2C.
std::vector<uint8_t> GpsReply(uint8_t opcode, const GpsReceiver& receiver, double now,
                              double lastExposureStart);

}  // namespace tqsim::image
