#pragma once
// Parsing of the replies of a camera's GPS receiver and time-stamp counter.
//
//   time reply      status, u32 ticks, u32 seconds, u8 length L, L text bytes
//                   "hhmmss[.ff],dd,mm,yyyy"
//   position reply  status, u8 length L, L text bytes: the fields of a GGA
//                   sentence without its name (time, latitude ddmm.mmmm, N/S,
//                   longitude dddmm.mmmm, E/W, fix, satellites, any, altitude)
//
// The parsers never read past the bytes received, whatever length byte the
// reply carries. Every output pointer must be valid; outputs written before a
// failure keep what was written.
#include <cstdint>

namespace tQusb::gps {

inline constexpr uint32_t kReplyMax = 64;          // one read of a time or position reply
inline constexpr uint32_t kNoFixTicks = 37875000;  // ticks from here up: no fix yet

enum class TParse { Ok, Corrupted, NoFix };

struct TDateTime {
  int32_t* Year;
  int32_t* Month;
  int32_t* Day;
  uint32_t* Hour;
  uint32_t* Minute;
  double* Second;
};

struct TPosition {
  double* Latitude;
  double* Longitude;
  double* Altitude;
  uint32_t* Satellites;
  bool* Valid;
};

// The fixed part of a time reply (status tested by the caller): too short is
// Corrupted, a counter at the no-fix mark NoFix.
TParse CheckTimeHeader(const uint8_t* reply, uint32_t received);

// The counted time of a time reply in seconds: whole seconds + ticks * period.
double ElapsedSeconds(const uint8_t* reply, double clockPeriod);

// The receiver text of a time reply, advanced by `elapsed` seconds across
// day, month and year ends.
TParse ParseTimeText(const uint8_t* reply, uint32_t received, double elapsed,
                     const TDateTime& out);

// A position reply (status tested by the caller). Ok also when a field is
// empty; `Valid` then says the fix is incomplete.
TParse ParsePosition(const uint8_t* reply, uint32_t received, const TPosition& out);

}  // namespace tQusb::gps
