// GPS position and image time stamps. These requests are optional extras of
// a camera: a failed transfer writes its debug line but keeps the camera
// connected and LastError as it was.
#include "driver/acquisition/gps_reply.h"
#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/protocol.h"

namespace tQusb {
namespace {

constexpr uint32_t kFrequencyReplySize = 5;

constexpr const char* kTextCorrupted = "GPS packet corrupted";
constexpr const char* kTextNoFix = "Waiting for GPS fix";

// Asks once per camera object for the counter frequency. False when a
// transfer failed (no text) or when the counter reports 0 Hz: such a counter
// measures no time, so no time stamp is made from it. Either way the
// question is asked again next time.
bool LearnClockPeriod(CCamera& camera) {
  if (camera.ClockPeriodKnown) return true;
  const TRequest request(opcode::gen2to5::kCounterFrequency);
  uint8_t reply[kFrequencyReplySize] = {};
  uint32_t received = 0;
  if (!TryWriteRequest(camera, request, "GetTimeHelper USB Write2 FAIL")) return false;
  if (!TryReadReply(camera, reply, sizeof reply, &received, "GetTimeHelper USB Read2 FAIL"))
    return false;
  const uint32_t frequency = static_cast<uint32_t>(reply[1]) | static_cast<uint32_t>(reply[2]) << 8 |
                             static_cast<uint32_t>(reply[3]) << 16 |
                             static_cast<uint32_t>(reply[4]) << 24;
  if (reply[0] == kStatusOk) {
    if (frequency == 0) return Fail(camera, kTextCorrupted);
    camera.ClockPeriod = 1.0 / frequency;
  }
  camera.ClockPeriodKnown = 1;
  return true;
}

}  // namespace

bool CCamera::GetTimeHelper(bool image, int32_t* year, int32_t* month, int32_t* day,
                            uint32_t* hour, uint32_t* minute, double* second) {
  if (!IsConnected()) return Fail(*this, kTextNotConnected);
  const TRequest request(image ? opcode::gen2to5::kImageTime : opcode::gen2to5::kReceiverTime);
  uint8_t reply[gps::kReplyMax] = {};
  uint32_t received = 0;
  if (!TryWriteRequest(*this, request, "GetTimeHelper USB Write FAIL")) return false;
  if (!TryReadReply(*this, reply, sizeof reply, &received, "GetTimeHelper USB Read FAIL"))
    return false;
  if (!CheckStatus(*this, reply[0])) return false;
  switch (gps::CheckTimeHeader(reply, received)) {
    case gps::TParse::Corrupted:
      return Fail(*this, kTextCorrupted);
    case gps::TParse::NoFix:
      return Fail(*this, kTextNoFix);
    case gps::TParse::Ok:
      break;
  }
  if (!LearnClockPeriod(*this)) return false;
  const double elapsed = gps::ElapsedSeconds(reply, ClockPeriod);
  const gps::TDateTime out{year, month, day, hour, minute, second};
  if (gps::ParseTimeText(reply, received, elapsed, out) != gps::TParse::Ok)
    return Fail(*this, kTextCorrupted);
  return true;
}

bool CCamera::GetImageTimeStamp(int32_t* year, int32_t* month, int32_t* day, uint32_t* hour,
                                uint32_t* minute, double* second) {
  // A host may pass null for what it does not want.
  int32_t y = 0, mo = 0, d = 0;
  uint32_t h = 0, mi = 0;
  double s = 0;
  return GetTimeHelper(true, year ? year : &y, month ? month : &mo, day ? day : &d,
                       hour ? hour : &h, minute ? minute : &mi, second ? second : &s);
}

bool CCamera::GetGPSData(double* latitude, double* longitude, double* altitude, int32_t* year,
                         int32_t* month, int32_t* day, uint32_t* hour, uint32_t* minute,
                         double* second, uint32_t* satellites, bool* valid) {
  double lat = 0, lon = 0, alt = 0, s = 0;
  int32_t y = 0, mo = 0, d = 0;
  uint32_t h = 0, mi = 0, sats = 0;
  bool v = false;
  const gps::TDateTime time{year ? year : &y,   month ? month : &mo,  day ? day : &d,
                            hour ? hour : &h,   minute ? minute : &mi, second ? second : &s};
  const gps::TPosition position{latitude ? latitude : &lat, longitude ? longitude : &lon,
                                altitude ? altitude : &alt, satellites ? satellites : &sats,
                                valid ? valid : &v};

  // Without a time the position still counts: the date and time read 0.
  if (!GetTimeHelper(false, time.Year, time.Month, time.Day, time.Hour, time.Minute,
                     time.Second)) {
    *time.Year = *time.Month = *time.Day = 0;
    *time.Hour = *time.Minute = 0;
    *time.Second = 0.0;
  }
  if (!IsConnected()) return Fail(*this, kTextNotConnected);
  const TRequest request(opcode::gen2to5::kReceiverPosition);
  uint8_t reply[gps::kReplyMax] = {};
  uint32_t received = 0;
  if (!TryWriteRequest(*this, request, "GetGPSData USB Write FAIL")) return false;
  if (!TryReadReply(*this, reply, sizeof reply, &received, "GetGPSData USB Read FAIL"))
    return false;
  if (!CheckStatus(*this, reply[0])) return false;
  if (gps::ParsePosition(reply, received, position) != gps::TParse::Ok)
    return Fail(*this, kTextCorrupted);
  return true;
}

}  // namespace tQusb
