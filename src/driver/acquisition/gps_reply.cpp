#include "driver/acquisition/gps_reply.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>

#include "tqusb/runtime/os.h"
#include "tqusb/runtime/str.h"
#include "tqusb/runtime/str_convert.h"

namespace tQusb::gps {
namespace {

constexpr unsigned kTextHigh = 63;   // the receiver text, at most 63 characters
constexpr unsigned kFieldHigh = 31;  // one field cut out of it
constexpr unsigned kNotFound = 0xFFFFFFFF;
constexpr uint32_t kTimeHeader = 10;      // status, ticks, seconds, length
constexpr uint32_t kTimeMinimum = 20;     // header and the shortest usable text
constexpr uint32_t kPositionHeader = 2;   // status, length
constexpr uint32_t kPositionMinimum = 10;
constexpr uint8_t kMinimumTextLength = 11;

uint32_t LoadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Truncation toward zero that stays defined for any double (NaN gives 0).
int64_t Trunc(double x) {
  constexpr double kLimit = 9.2e18;
  if (std::isnan(x)) return 0;
  if (x >= kLimit) return static_cast<int64_t>(kLimit);
  if (x <= -kLimit) return -static_cast<int64_t>(kLimit);
  return static_cast<int64_t>(x);
}

// The text of a reply: L bytes from `offset`, but never more than arrived
// and never more than the text buffer holds.
void CopyText(const uint8_t* reply, uint32_t received, uint32_t offset, char (&text)[kTextHigh + 1]) {
  uint32_t length = reply[offset - 1];
  if (received < offset) length = 0;
  else if (length > received - offset) length = received - offset;
  if (length > kTextHigh) length = kTextHigh;
  std::memcpy(text, reply + offset, length);
  text[length] = '\0';
}

// Cuts [from, to) out of the text into a field.
void Cut(const char* text, unsigned from, unsigned to, char (&field)[kFieldHigh + 1]) {
  Str::SliceA(kFieldHigh, field, kTextHigh, text, from, to - from);
}

bool ToReal(const char* field, double* value) {
  unsigned char ok = 0;
  *value = Str::StrToRealA(kFieldHigh, field, &ok);
  return ok != 0;
}

bool ToCard(const char* field, uint32_t* value) {
  unsigned char ok = 0;
  *value = Str::StrToCardA(kFieldHigh, field, 10, &ok);
  return ok != 0;
}

// Degrees from ddmm.mmmm (or dddmm.mmmm).
double Degrees(double v) {
  const double d = static_cast<double>(Trunc(v * 0.01));
  return d + (v - 100.0 * d) / 60.0;
}

// The comma-separated fields of a position text after its first field.
class FieldCursor {
 public:
  explicit FieldCursor(const char* text, unsigned comma) : text_(text), comma_(comma) {}

  // Takes the next field. Empty: the character after the comma is a comma.
  // A non-empty field must end with a comma; false when it does not.
  bool Next(bool* empty, char (&field)[kFieldHigh + 1]) {
    const unsigned start = comma_ + 1;
    *empty = text_[start] == ',';
    if (*empty) {
      field[0] = '\0';
      comma_ = start;
      return true;
    }
    const unsigned end = Str::NextCharPosA(kTextHigh, text_, ',', start);
    if (end == kNotFound) return false;
    Cut(text_, start, end, field);
    comma_ = end;
    return true;
  }

 private:
  const char* text_;
  unsigned comma_;
};

}  // namespace

TParse CheckTimeHeader(const uint8_t* reply, uint32_t received) {
  if (received < kTimeMinimum) return TParse::Corrupted;
  if (LoadU32(reply + 1) >= kNoFixTicks) return TParse::NoFix;
  return TParse::Ok;
}

double ElapsedSeconds(const uint8_t* reply, double clockPeriod) {
  return static_cast<double>(LoadU32(reply + 5)) + LoadU32(reply + 1) * clockPeriod;
}

TParse ParseTimeText(const uint8_t* reply, uint32_t received, double elapsed,
                     const TDateTime& out) {
  if (received < kTimeHeader || reply[kTimeHeader - 1] < kMinimumTextLength)
    return TParse::Corrupted;
  char text[kTextHigh + 1];
  CopyText(reply, received, kTimeHeader, text);
  char field[kFieldHigh + 1];

  const unsigned timeEnd = Str::CharPosA(kTextHigh, text, ',');
  if (timeEnd == kNotFound) return TParse::Corrupted;
  Cut(text, 0, timeEnd, field);
  double v = 0;
  if (!ToReal(field, &v)) return TParse::Corrupted;
  const int64_t hour = Trunc(v * 0.0001);
  const double minutesSeconds = v - static_cast<double>(hour) * 10000.0;
  const int64_t minute = Trunc(minutesSeconds * 0.01);
  const double second = minutesSeconds - static_cast<double>(minute) * 100.0;
  *out.Hour = static_cast<uint32_t>(hour);
  *out.Minute = static_cast<uint32_t>(minute);
  *out.Second = second;

  const unsigned dayEnd = Str::NextCharPosA(kTextHigh, text, ',', timeEnd + 1);
  if (dayEnd == kNotFound) return TParse::Corrupted;
  Cut(text, timeEnd + 1, dayEnd, field);
  uint32_t day = 0;
  if (!ToCard(field, &day)) return TParse::Corrupted;
  *out.Day = static_cast<int32_t>(day);

  const unsigned monthEnd = Str::NextCharPosA(kTextHigh, text, ',', dayEnd + 1);
  if (monthEnd == kNotFound) return TParse::Corrupted;
  Cut(text, dayEnd + 1, monthEnd, field);
  uint32_t month = 0;
  if (!ToCard(field, &month)) return TParse::Corrupted;
  *out.Month = static_cast<int32_t>(month);

  Cut(text, monthEnd + 1, kTextHigh + 1, field);
  uint32_t year = 0;
  if (!ToCard(field, &year)) return TParse::Corrupted;
  *out.Year = static_cast<int32_t>(year);

  const double dayFraction = static_cast<double>(hour) / 24.0 +
                             static_cast<double>(minute) / 1440.0 + second / 86400.0;
  const double jd = os::JD(*out.Year, *out.Month, *out.Day, dayFraction) + elapsed / 86400.0;
  double f = 0;
  os::iJD(jd, out.Year, out.Month, out.Day, &f);
  const double hours = 24.0 * f;
  const int64_t h = Trunc(hours);
  const int64_t m = Trunc((hours - static_cast<double>(h)) * 60.0);
  *out.Hour = static_cast<uint32_t>(h);
  *out.Minute = static_cast<uint32_t>(m);
  *out.Second = ((hours - static_cast<double>(h)) * 60.0 - static_cast<double>(m)) * 60.0;
  return TParse::Ok;
}

TParse ParsePosition(const uint8_t* reply, uint32_t received, const TPosition& out) {
  if (received < kPositionMinimum || reply[kPositionHeader - 1] < kMinimumTextLength)
    return TParse::Corrupted;
  char text[kTextHigh + 1];
  CopyText(reply, received, kPositionHeader, text);
  *out.Valid = true;

  const unsigned timeEnd = Str::CharPosA(kTextHigh, text, ',');
  if (timeEnd == kNotFound) return TParse::Corrupted;
  FieldCursor fields(text, timeEnd);
  char field[kFieldHigh + 1];
  bool empty = false;

  // Fields 1 to 4: latitude and longitude, each with its hemisphere letter.
  struct TAxis {
    double* Value;
    char Negative;
  };
  for (const TAxis& axis : {TAxis{out.Latitude, 'S'}, TAxis{out.Longitude, 'W'}}) {
    if (!fields.Next(&empty, field)) return TParse::Corrupted;
    double v = 0;
    if (empty) {
      *out.Valid = false;
      *axis.Value = 0.0;
    } else {
      if (!ToReal(field, &v)) return TParse::Corrupted;
      *axis.Value = Degrees(v);
    }
    if (!fields.Next(&empty, field)) return TParse::Corrupted;
    if (empty) {
      *out.Valid = false;
      *axis.Value = 0.0;
    } else if (field[0] == axis.Negative) {
      *axis.Value = -*axis.Value;
    }
  }

  // Field 5, the fix indication: only its comma matters.
  if (!fields.Next(&empty, field)) return TParse::Corrupted;
  if (empty) *out.Valid = false;

  // Field 6, the satellites.
  if (!fields.Next(&empty, field)) return TParse::Corrupted;
  uint32_t satellites = 0;
  if (empty) *out.Valid = false;
  else if (!ToCard(field, &satellites)) return TParse::Corrupted;
  *out.Satellites = satellites;

  // Field 7 is not used, not even for validity.
  if (!fields.Next(&empty, field)) return TParse::Corrupted;

  // Field 8, the altitude.
  if (!fields.Next(&empty, field)) return TParse::Corrupted;
  if (empty) {
    *out.Valid = false;
    *out.Altitude = 0.0;
    return TParse::Ok;
  }
  double altitude = 0;
  const bool converted = ToReal(field, &altitude);
  *out.Altitude = altitude;
  return converted ? TParse::Ok : TParse::Corrupted;
}

}  // namespace tQusb::gps
