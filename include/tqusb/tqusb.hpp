#ifndef TQUSB_TQUSB_HPP
#define TQUSB_TQUSB_HPP
/*
 * tqusb.hpp - a thin C++17 layer over the C interface of libtqusb, header only.
 *
 * It adds no behaviour: every rule stays in the library, so a program using
 * this layer behaves exactly as one calling tqusb.h directly. What it adds is
 * shape: a camera handle that releases itself, lists instead of callbacks,
 * typed parameter queries, images in a std::vector or the caller's buffer,
 * and a refused call turned into an exception carrying the library's text.
 *
 *   for (uint32_t id : tqusb::FreeCameraIds()) {
 *     tqusb::Camera camera(id);                     // throws when it cannot connect
 *     const tqusb::Caps& caps = camera.Capabilities();
 *     camera.SetBinning(2, 2);
 *     std::vector<uint16_t> image = camera.Expose16(1.0, true, camera.FullFrame());
 *   }
 *
 * Link with `pkg-config --cflags --libs tqusb` (or tqusb::tqusb in CMake).
 */
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tqusb/tqusb.h"

namespace tqusb {

// What kind of failure an Error is, read from the library's text.
enum class ErrorKind {
  Failed,        // any other refusal; the text says why
  NotConnected,  // "CCD camera not connected to USB", or the camera went away
  NotSupported,  // "Camera does not support this feature"
};

// A call the library refused. what() is "<operation>: <library text>".
class Error : public std::runtime_error {
 public:
  Error(const std::string& operation, const std::string& text, ErrorKind kind)
      : std::runtime_error(operation.empty() ? text : operation + ": " + text),
        text_(text),
        kind_(kind) {}
  // The library's own text, without the operation.
  const std::string& Text() const { return text_; }
  ErrorKind Kind() const { return kind_; }

 private:
  std::string text_;
  ErrorKind kind_;
};

inline constexpr const char* kNotConnectedText = "CCD camera not connected to USB";
inline constexpr const char* kNotSupportedText = "Camera does not support this feature";

using Caps = TQCAMERACAPS;

// A window in output pixels (binned when a binning factor is set).
struct Window {
  uint32_t x = 0, y = 0, width = 0, height = 0;
};

struct Filter {
  std::string name;
  uint32_t colour = 0;  // red in the low byte
  int32_t offset = 0;   // focus offset, in the unit TQ_BOOL_MICROMETER_OFFSETS tells
};

// UTC date and time, as the library reports time stamps and GPS fixes.
struct DateTime {
  int32_t year = 0, month = 0, day = 0;
  uint32_t hour = 0, minute = 0;
  double second = 0;
};

// The UTC calendar time of a host clock reading, to the millisecond.
inline DateTime UtcDateTime(std::chrono::system_clock::time_point t) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{};
  ::gmtime_r(&seconds, &utc);
  DateTime d;
  d.year = utc.tm_year + 1900;
  d.month = utc.tm_mon + 1;
  d.day = utc.tm_mday;
  d.hour = static_cast<uint32_t>(utc.tm_hour);
  d.minute = static_cast<uint32_t>(utc.tm_min);
  d.second = utc.tm_sec + static_cast<double>(ms % 1000) / 1000.0;
  return d;
}

// CCYY-MM-DDThh:mm:ss.sss, the UTC text FITS headers and network clients read.
// Milliseconds are rounded down so that 59.9996 s never prints as 60.000.
inline std::string IsoText(const DateTime& t) {
  const long ms = static_cast<long>(t.second * 1000.0);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02u:%02u:%02ld.%03ld", t.year, t.month, t.day,
                t.hour, t.minute, ms / 1000, ms % 1000);
  return text;
}

struct GpsFix {
  double latitude = 0, longitude = 0, altitude = 0;  // degrees north / east positive
  DateTime time;
  uint32_t satellites = 0;
  bool valid = false;
};

namespace detail {

// Trailing blanks are padding in the camera's fixed-width texts.
inline std::string Trimmed(const char* text, size_t size) {
  std::string s(text, ::strnlen(text, size));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// Enumerate takes a plain function pointer without a context: one listing at
// a time per process collects into the vector the lock protects.
inline std::mutex& ListingLock() {
  static std::mutex lock;
  return lock;
}
inline std::vector<uint32_t>*& ListingTarget() {
  static std::vector<uint32_t>* target = nullptr;
  return target;
}
inline void CollectId(uint32_t id) {
  if (ListingTarget()) ListingTarget()->push_back(id);
}

}  // namespace detail

// The ids of the attached cameras that no process has opened, in bus order.
inline std::vector<uint32_t> FreeCameraIds() {
  std::vector<uint32_t> ids;
  std::lock_guard<std::mutex> hold(detail::ListingLock());
  detail::ListingTarget() = &ids;
  Enumerate(detail::CollectId);
  detail::ListingTarget() = nullptr;
  return ids;
}

// Gain setting (tenths of a decibel) in decibels and as a factor.
inline std::pair<double, double> GainInDecibels(uint32_t gain) {
  double decibels = 0, factor = 0;
  ConvertGain(nullptr, gain, &decibels, &factor);
  return {decibels, factor};
}

class Camera {
 public:
  enum class OpenMode { RequireConnected, KeepHandle };

  // Opens the camera with this id on the calling thread, which then carries
  // its plug notices (tqPumpEvents). With RequireConnected (the default) a
  // camera that does not connect is an Error with the library's reason; with
  // KeepHandle the handle is kept and Connected() tells, so it comes to life
  // when the camera is plugged in. powerTimer false is Initialize2.
  explicit Camera(uint32_t id, OpenMode mode = OpenMode::RequireConnected,
                  bool powerTimer = true)
      : id_(id), handle_(powerTimer ? Initialize(id) : Initialize2(id)) {
    if (!handle_)
      throw Error("camera " + std::to_string(id), "the library could not make a handle",
                  ErrorKind::Failed);
    if (mode == OpenMode::RequireConnected && !Connected()) {
      std::string why = LastError();
      if (why.empty())
        why = "no free camera with this id on the bus (unplugged, or opened by another program)";
      Release(handle_);
      handle_ = nullptr;
      throw Error("camera " + std::to_string(id), why, ErrorKind::NotConnected);
    }
  }
  ~Camera() { ReleaseHandle(); }
  Camera(Camera&& other) noexcept
      : id_(other.id_), handle_(std::exchange(other.handle_, nullptr)) {}
  Camera& operator=(Camera&& other) noexcept {
    if (this != &other) {
      ReleaseHandle();
      id_ = other.id_;
      handle_ = std::exchange(other.handle_, nullptr);
      caps_.reset();
    }
    return *this;
  }
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;

  // Releases the handle now (also done by the destructor).
  void ReleaseHandle() {
    if (handle_) ::Release(handle_);
    handle_ = nullptr;
    caps_.reset();
  }

  TQCAMERA Handle() const { return handle_; }
  uint32_t Id() const { return id_; }
  bool Connected() const { return Boolean(TQ_BOOL_CONNECTED).value_or(false); }

  std::string LastError() const {
    std::array<char, 130> text{};
    GetLastErrorString(handle_, text.size() - 1, text.data());
    return detail::Trimmed(text.data(), text.size());
  }

  // Throws an Error "<operation>: <last error>" when ok is false.
  void Check(bool ok, const std::string& operation) const {
    if (ok) return;
    std::string why = LastError();
    ErrorKind kind = ErrorKind::Failed;
    // A failed transfer disconnects the camera and leaves the text it had.
    if (!Connected()) {
      kind = ErrorKind::NotConnected;
      if (why.empty() || why == kNotSupportedText) why = kNotConnectedText;
    } else if (why == kNotSupportedText) {
      kind = ErrorKind::NotSupported;
    } else if (why.empty()) {
      why = "the camera refused";
    }
    throw Error(operation, why, kind);
  }

  // What the camera can do, asked once and kept until RefreshCapabilities.
  const Caps& Capabilities() const {
    if (!caps_) {
      Caps caps{};
      caps.size = sizeof caps;
      Check(tqGetCameraCaps(handle_, &caps), "capabilities");
      caps_ = caps;
    }
    return *caps_;
  }
  // Forgets the kept capabilities, so a camera plugged in again is asked afresh.
  void RefreshCapabilities() { caps_.reset(); }

  // Parameter queries: nullopt where the camera does not define the index.
  std::optional<uint32_t> Integer(uint32_t index) const {
    uint32_t value = 0;
    if (!GetIntegerParameter(handle_, index, &value)) return std::nullopt;
    return value;
  }
  std::optional<bool> Boolean(uint32_t index) const {
    bool value = false;
    if (!GetBooleanParameter(handle_, index, &value)) return std::nullopt;
    return value;
  }
  std::optional<std::string> Text(uint32_t index) const {
    std::array<char, 64> text{};
    if (!GetStringParameter(handle_, index, text.size() - 1, text.data())) return std::nullopt;
    return detail::Trimmed(text.data(), text.size());
  }

  std::vector<std::string> ReadModes() const {
    std::vector<std::string> modes;
    for (uint32_t i = 0;; ++i) {
      std::array<char, 64> name{};
      if (!EnumerateReadModes(handle_, i, name.size() - 1, name.data())) break;
      modes.push_back(detail::Trimmed(name.data(), name.size()));
    }
    return modes;
  }

  std::vector<Filter> Filters() const {
    std::vector<Filter> filters;
    for (uint32_t i = 0; i < 256; ++i) {
      std::array<char, 64> name{};
      Filter filter;
      uint32_t offset = 0;
      if (!EnumerateFilters2(handle_, i, name.size() - 1, name.data(), &filter.colour, &offset))
        break;
      filter.name = detail::Trimmed(name.data(), name.size());
      filter.offset = static_cast<int32_t>(offset);
      filters.push_back(std::move(filter));
    }
    return filters;
  }

  // Settings.
  void SetBinning(uint32_t x, uint32_t y) { Check(::SetBinning(handle_, x, y), "binning"); }
  void SetReadMode(uint32_t mode) { Check(::SetReadMode(handle_, mode), "read mode"); }
  void SetPreflash(double seconds, uint32_t count) {
    Check(::SetPreflash(handle_, seconds, count), "pre-flash");
  }
  void SetTemperature(float celsius) { Check(::SetTemperature(handle_, celsius), "set point"); }
  void SetFan(uint8_t value) { Check(::SetFan(handle_, value), "fan"); }
  void SetWindowHeating(uint8_t level) {
    Check(::SetWindowHeating(handle_, level), "window heating");
  }
  void SetGain(uint16_t gain) { Check(::SetGain(handle_, gain), "gain"); }
  void SetFilter(uint8_t position) { Check(::SetFilter(handle_, position), "filter"); }
  void ReinitFilterWheel() { Check(::ReinitFilterWheel(handle_), "filter wheel"); }

  // Readings: index TQ_VALUE_*.
  float Value(uint32_t index) const {
    float value = 0;
    Check(GetValue(handle_, index, &value), "reading " + std::to_string(index));
    return value;
  }

  // Cooler power as a fraction 0..1 (-1: none reported), on the camera kinds
  // that have this request; nullopt where it failed, without a text on the
  // others, which give the power as Value(TQ_VALUE_POWER_UTILIZATION).
  std::optional<float> PowerUtilization() const {
    float value = 0;
    if (!ReadPowerUtilization(handle_, &value)) return std::nullopt;
    return value;
  }

  // Sub-frames, in unbinned sensor pixels: the window the camera will read.
  Window AdjustSubFrame(Window w) const {
    Check(::AdjustSubFrame(handle_, &w.x, &w.y, &w.width, &w.height), "sub-frame");
    return w;
  }
  // The whole sensor in output pixels at binning bx x by.
  Window FullFrame(uint32_t bx = 1, uint32_t by = 1) const {
    const Caps& caps = Capabilities();
    return {0, 0, caps.width / (bx ? bx : 1), caps.height / (by ? by : 1)};
  }

  // Exposures the host times itself.
  void ClearSensor() { Check(::ClearSensor(handle_), "clear sensor"); }
  void OpenShutter() { Check(::Open(handle_), "shutter open"); }
  void CloseShutter() { Check(::Close(handle_), "shutter close"); }
  void BeginExposure(bool shutter) { Check(::BeginExposure(handle_, shutter), "exposure start"); }
  void EndExposure(bool shutter, bool secondEnd = false) {
    Check(::EndExposure(handle_, shutter, secondEnd), "exposure end");
  }

  // Readout of the last exposure into the caller's buffer (bytes) or a vector.
  void Read16(const Window& w, uint16_t* pixels, size_t bytes) {
    Check(GetImage16b(handle_, w.x, w.y, w.width, w.height, Bytes(bytes), pixels), "readout");
  }
  std::vector<uint16_t> Read16(const Window& w) {
    std::vector<uint16_t> pixels(size_t{w.width} * w.height);
    Read16(w, pixels.data(), pixels.size() * 2);
    return pixels;
  }
  void Read8(const Window& w, uint8_t* pixels, size_t bytes) {
    Check(GetImage8b(handle_, w.x, w.y, w.width, w.height, Bytes(bytes), pixels), "readout");
  }

  // Exposure and readout in one call.
  void Expose16(double seconds, bool shutter, const Window& w, uint16_t* pixels, size_t bytes) {
    Check(GetImageExposure16b(handle_, seconds, shutter, w.x, w.y, w.width, w.height,
                              Bytes(bytes), pixels),
          "exposure");
  }
  std::vector<uint16_t> Expose16(double seconds, bool shutter, const Window& w) {
    std::vector<uint16_t> pixels(size_t{w.width} * w.height);
    Expose16(seconds, shutter, w, pixels.data(), pixels.size() * 2);
    return pixels;
  }
  void Expose8(double seconds, bool shutter, const Window& w, uint8_t* pixels, size_t bytes) {
    Check(GetImageExposure8b(handle_, seconds, shutter, w.x, w.y, w.width, w.height,
                             Bytes(bytes), pixels),
          "exposure");
  }

  // UTC time of the last image's exposure start.
  DateTime TimeStamp() const {
    DateTime t;
    Check(GetImageTimeStamp(handle_, &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second),
          "time stamp");
    return t;
  }
  GpsFix Gps() const {
    GpsFix f;
    DateTime& t = f.time;
    Check(GetGPSData(handle_, &f.latitude, &f.longitude, &f.altitude, &t.year, &t.month, &t.day,
                     &t.hour, &t.minute, &t.second, &f.satellites, &f.valid),
          "GPS");
    return f;
  }

  // Guiding: one value per axis, passed unchanged; poll Guiding() until false.
  void Guide(uint16_t firstAxis, uint16_t secondAxis) {
    Check(MoveTelescope(handle_, firstAxis, secondAxis), "guiding");
  }
  bool Guiding() const {
    bool moving = false;
    Check(MoveInProgress(handle_, &moving), "guiding state");
    return moving;
  }

  // Connection messages of this camera go to the queue (tqCreateNotifyWindow).
  void Notify(TQHWND queue) { RegisterNotifyHWND(handle_, queue); }

 private:
  // The C interface counts buffer sizes in 32 bits; a larger buffer is
  // offered as the largest size it can name.
  static uint32_t Bytes(size_t bytes) { return bytes > UINT32_MAX ? UINT32_MAX : uint32_t(bytes); }

  uint32_t id_;
  TQCAMERA handle_;
  mutable std::optional<Caps> caps_;
};

}  // namespace tqusb

#endif  // TQUSB_TQUSB_HPP
