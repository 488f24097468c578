// Arbitrary receiver replies to the time and position parsers. The bytes sit
// in a buffer of exactly their size, so a read past the reply is an ASan
// report, whatever length byte the reply claims.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "driver/acquisition/gps_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > tQusb::gps::kReplyMax) return 0;  // one read never returns more
  const std::vector<uint8_t> reply(data, data + size);
  const auto received = static_cast<uint32_t>(size);

  int32_t year = 0, month = 0, day = 0;
  uint32_t hour = 0, minute = 0, satellites = 0;
  double second = 0, latitude = 0, longitude = 0, altitude = 0;
  bool valid = false;
  if (tQusb::gps::CheckTimeHeader(reply.data(), received) == tQusb::gps::TParse::Ok) {
    const double elapsed = tQusb::gps::ElapsedSeconds(reply.data(), 2.6666666666666667e-08);
    tQusb::gps::ParseTimeText(reply.data(), received, elapsed,
                              {&year, &month, &day, &hour, &minute, &second});
  }
  tQusb::gps::ParsePosition(reply.data(), received,
                            {&latitude, &longitude, &altitude, &satellites, &valid});
  return 0;
}
