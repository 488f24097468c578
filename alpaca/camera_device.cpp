// The Camera device (interface version 4): what the camera is, its settings,
// the exposure and its image. Properties answer from the unit's status;
// settings the camera keeps are jobs on the unit's worker.
#include <cmath>

#include "alpaca_error.h"
#include "device.h"
#include "image_response.h"

namespace tqalpaca {
namespace {

using nlohmann::json;

// Host-timed exposures (generations 1 to 5) have no limit of their own; a
// day is longer than any astronomical exposure.
constexpr double kLongestHostTimed = 86400.0;
constexpr double kHostResolution = 0.001;
constexpr int kLongestPulseMs = 32767;

bool CameraTimed(const CameraStatus& s) {
  return s.caps.generation == 0;
}
bool HasSecondReadings(const CameraStatus& s) {
  return s.caps.generation == 1 || s.caps.generation == 4 || s.caps.generation == 5;
}
bool CanGetCoolerPower(const CameraStatus& s) {
  return s.caps.cooler && (s.caps.kind == 1 || s.caps.kind == 2 || HasSecondReadings(s));
}
double ExposureMax(const CameraStatus& s) {
  return CameraTimed(s) ? s.caps.maxExposure : kLongestHostTimed;
}

// A property answered from the status.
template <typename F>
Member Get(F f) {
  return [f](CameraUnit& u, Call&) -> Answer {
    return u.With([&](const CameraStatus& s) { return json(f(s)); });
  };
}

Member Unimplemented(const char* name) {
  return [name](CameraUnit&, Call&) -> Answer { throw NotImplemented(name); };
}

// A reading the worker keeps, or the reason it has none.
json Reading(const CameraStatus& s, const std::optional<float>& value, const char* name) {
  if (!s.present) throw AlpacaError(kNotConnected, tqusb::kNotConnectedText);
  if (value) return std::round(double(*value) * 100.0) / 100.0;
  if (!s.readings.error.empty()) throw AlpacaError(kDriverError, s.readings.error);
  throw AlpacaError(kValueNotSet, std::string(name) + " has not been read from the camera yet");
}

int PercentCompleted(const CameraStatus& s) {
  switch (s.state) {
    case CameraState::Exposing: {
      if (s.duration <= 0) return 100;
      const double done =
          std::chrono::duration<double>(Clock::now() - s.exposureStart).count() / s.duration;
      return static_cast<int>(std::clamp(done, 0.0, 1.0) * 100.0);
    }
    case CameraState::Idle:
      return s.image ? 100 : 0;
    case CameraState::Error:
      return 0;
    default:
      return 100;
  }
}

int32_t InRange(Call& call, const char* name, int32_t low, int32_t high) {
  const int32_t value = call.params.Int(name);
  if (value < low || value > high)
    throw InvalidValue(std::string(name) + " " + std::to_string(value) + " is outside " +
                       std::to_string(low) + ".." + std::to_string(high));
  return value;
}

void SetBinning(CameraUnit& u, Call& call, bool x) {
  const char* name = x ? "BinX" : "BinY";
  const uint32_t most =
      u.With([x](const CameraStatus& s) { return x ? s.caps.maxBinX : s.caps.maxBinY; });
  const int32_t bin = InRange(call, name, 1, static_cast<int32_t>(most));
  u.Change([&](CameraStatus& s) { (x ? s.binX : s.binY) = static_cast<uint32_t>(bin); });
}

void SetWindow(CameraUnit& u, Call& call, const char* name, uint32_t CameraStatus::*field,
               int32_t lowest) {
  const int32_t value = call.params.Int(name);
  if (value < lowest)
    throw InvalidValue(std::string(name) + " must be at least " + std::to_string(lowest));
  u.Change([&](CameraStatus& s) { s.*field = static_cast<uint32_t>(value); });
}

void StartExposure(CameraUnit& u, Call& call) {
  double seconds = call.params.Double("Duration");
  const bool light = call.params.Bool("Light");
  u.With([&](const CameraStatus& s) {
    if (seconds < 0 || seconds > ExposureMax(s))
      throw InvalidValue("Duration " + std::to_string(seconds) + " s is outside 0.." +
                         std::to_string(ExposureMax(s)) + " s");
    const uint64_t width = s.caps.width / s.binX, height = s.caps.height / s.binY;
    if (s.numX < 1 || uint64_t{s.startX} + s.numX > width)
      throw InvalidValue("StartX + NumX exceeds the binned width " + std::to_string(width));
    if (s.numY < 1 || uint64_t{s.startY} + s.numY > height)
      throw InvalidValue("StartY + NumY exceeds the binned height " + std::to_string(height));
    if (s.state == CameraState::Exposing || s.state == CameraState::Reading)
      throw AlpacaError(kInvalidOperation, "an exposure is already running");
    // The shortest exposure the camera makes stands for anything shorter.
    seconds = std::max(seconds, s.caps.minExposure);
    return 0;
  });
  u.StartExposure(seconds, light);
}

void PulseGuide(CameraUnit& u, Call& call) {
  if (!u.With([](const CameraStatus& s) { return s.caps.guidePort; }))
    throw NotImplemented("PulseGuide");
  const int32_t direction = InRange(call, "Direction", 0, 3);
  const auto ms = static_cast<int16_t>(InRange(call, "Duration", 0, kLongestPulseMs));
  // First axis right ascension (west positive), second declination (north
  // positive), signed milliseconds.
  switch (direction) {
    case 0:
      u.PulseGuide(0, ms);
      break;
    case 1:
      u.PulseGuide(0, static_cast<int16_t>(-ms));
      break;
    case 2:
      u.PulseGuide(static_cast<int16_t>(-ms), 0);
      break;
    default:
      u.PulseGuide(ms, 0);
      break;
  }
}

void SetCooling(CameraUnit& u, std::optional<double> setPoint, std::optional<bool> on) {
  u.Run([&](tqusb::Camera& c) {
    const tqusb::Caps caps = c.Capabilities();
    CameraStatus s = u.With([](const CameraStatus& st) { return st; });
    const bool coolerOn = on.value_or(s.coolerOn);
    const std::optional<double> target = setPoint ? setPoint : s.setPoint;
    // Off lets the sensor warm up: the highest set point the camera takes.
    if (!coolerOn)
      c.SetTemperature(caps.maxSetPoint);
    else if (target)
      c.SetTemperature(static_cast<float>(*target));
    u.Change([&](CameraStatus& st) {
      st.coolerOn = coolerOn;
      if (setPoint) st.setPoint = setPoint;
    });
  });
}

DeviceKind MakeCamera() {
  DeviceKind k{Role::Camera, "camera", 4, {}, {}};
  auto& g = k.get;
  for (const char* name : {"BayerOffsetX", "BayerOffsetY", "ElectronsPerADU", "FullWellCapacity",
                           "FastReadout", "Gains", "Offset", "OffsetMax", "OffsetMin", "Offsets",
                           "SubExposureDuration", "ImageArrayVariant"}) {
    std::string key(name);
    for (char& ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    g[key] = Unimplemented(name);
  }
  g["binx"] = Get([](const CameraStatus& s) { return s.binX; });
  g["biny"] = Get([](const CameraStatus& s) { return s.binY; });
  g["camerastate"] = Get([](const CameraStatus& s) { return static_cast<int>(s.state); });
  g["cameraxsize"] = Get([](const CameraStatus& s) { return s.caps.width; });
  g["cameraysize"] = Get([](const CameraStatus& s) { return s.caps.height; });
  g["canabortexposure"] = Get([](const CameraStatus& s) { return !CameraTimed(s); });
  g["canstopexposure"] = Get([](const CameraStatus& s) { return !CameraTimed(s); });
  g["canasymmetricbin"] = Get([](const CameraStatus&) { return true; });
  g["canfastreadout"] = Get([](const CameraStatus&) { return false; });
  g["cangetcoolerpower"] = Get([](const CameraStatus& s) { return CanGetCoolerPower(s); });
  g["canpulseguide"] = Get([](const CameraStatus& s) { return s.caps.guidePort; });
  g["cansetccdtemperature"] = Get([](const CameraStatus& s) { return s.caps.cooler; });
  g["hasshutter"] = Get([](const CameraStatus& s) { return s.caps.shutter; });
  g["ccdtemperature"] =
      Get([](const CameraStatus& s) { return Reading(s, s.readings.sensor, "CCDTemperature"); });
  g["heatsinktemperature"] = Get([](const CameraStatus& s) {
    if (!HasSecondReadings(s)) throw NotImplemented("HeatSinkTemperature");
    return Reading(s, s.readings.heatSink, "HeatSinkTemperature");
  });
  g["coolerpower"] = Get([](const CameraStatus& s) {
    if (!CanGetCoolerPower(s)) throw NotImplemented("CoolerPower");
    return Reading(s, s.readings.coolerPower, "CoolerPower");
  });
  g["cooleron"] = Get([](const CameraStatus& s) {
    if (!s.caps.cooler) throw NotImplemented("CoolerOn");
    return s.coolerOn;
  });
  g["setccdtemperature"] = Get([](const CameraStatus& s) {
    if (!s.caps.cooler) throw NotImplemented("SetCCDTemperature");
    if (!s.setPoint) throw ValueNotSet("SetCCDTemperature");
    return *s.setPoint;
  });
  g["exposuremax"] = Get([](const CameraStatus& s) { return ExposureMax(s); });
  g["exposuremin"] = Get([](const CameraStatus& s) { return s.caps.minExposure; });
  g["exposureresolution"] =
      Get([](const CameraStatus& s) { return CameraTimed(s) ? 1.0 / 8000.0 : kHostResolution; });
  g["gain"] = Get([](const CameraStatus& s) {
    if (!s.caps.gain) throw NotImplemented("Gain");
    if (!s.gain) throw ValueNotSet("Gain");
    return *s.gain;
  });
  g["gainmin"] = Get([](const CameraStatus& s) {
    if (!s.caps.gain) throw NotImplemented("GainMin");
    return 0;
  });
  g["gainmax"] = Get([](const CameraStatus& s) {
    if (!s.caps.gain) throw NotImplemented("GainMax");
    return static_cast<int>(s.caps.maxGain);
  });
  g["imageready"] = Get([](const CameraStatus& s) { return s.image != nullptr; });
  g["ispulseguiding"] = Get([](const CameraStatus& s) {
    if (!s.caps.guidePort) throw NotImplemented("IsPulseGuiding");
    return Clock::now() < s.guideEnd;
  });
  g["lastexposureduration"] = Get([](const CameraStatus& s) {
    if (!s.lastDuration) throw ValueNotSet("LastExposureDuration");
    return *s.lastDuration;
  });
  g["lastexposurestarttime"] = Get([](const CameraStatus& s) {
    if (!s.lastStartUtc) throw ValueNotSet("LastExposureStartTime");
    return *s.lastStartUtc;
  });
  g["maxadu"] = Get([](const CameraStatus& s) { return s.caps.maxPixelValue; });
  g["maxbinx"] = Get([](const CameraStatus& s) { return s.caps.maxBinX; });
  g["maxbiny"] = Get([](const CameraStatus& s) { return s.caps.maxBinY; });
  g["numx"] = Get([](const CameraStatus& s) { return s.numX; });
  g["numy"] = Get([](const CameraStatus& s) { return s.numY; });
  g["startx"] = Get([](const CameraStatus& s) { return s.startX; });
  g["starty"] = Get([](const CameraStatus& s) { return s.startY; });
  g["percentcompleted"] = Get([](const CameraStatus& s) { return PercentCompleted(s); });
  g["pixelsizex"] = Get([](const CameraStatus& s) {
    if (s.caps.pixelWidth <= 0) throw NotImplemented("PixelSizeX");
    return double(s.caps.pixelWidth);
  });
  g["pixelsizey"] = Get([](const CameraStatus& s) {
    if (s.caps.pixelHeight <= 0) throw NotImplemented("PixelSizeY");
    return double(s.caps.pixelHeight);
  });
  g["readoutmode"] = Get([](const CameraStatus& s) { return s.caps.readMode; });
  g["readoutmodes"] = Get([](const CameraStatus& s) {
    return s.readModes.empty() ? std::vector<std::string>{"Normal"} : s.readModes;
  });
  g["sensorname"] = Get([](const CameraStatus& s) {
    return tqusb::detail::Trimmed(s.caps.model, sizeof s.caps.model);
  });
  g["sensortype"] = Get([](const CameraStatus&) { return 0; });  // monochrome
  g["imagearray"] = [](CameraUnit& u, Call& call) -> Answer {
    auto [image, failure] = u.With([](const CameraStatus& s) {
      return std::make_pair(s.image, s.state == CameraState::Error ? s.errorText : std::string());
    });
    AnswerImage(std::move(image), failure, call);
    return std::nullopt;
  };
  g["devicestate"] = [](CameraUnit& u, Call& call) -> Answer {
    return DeviceState(CameraDevice(), u, call,
                       {"CameraState", "CCDTemperature", "CoolerPower", "HeatSinkTemperature",
                        "ImageReady", "IsPulseGuiding", "PercentCompleted"});
  };

  auto& p = k.put;
  for (const char* name : {"FastReadout", "Offset", "SubExposureDuration"}) {
    std::string key(name);
    for (char& ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    p[key] = Unimplemented(name);
  }
  p["binx"] = [](CameraUnit& u, Call& c) -> Answer {
    SetBinning(u, c, true);
    return std::nullopt;
  };
  p["biny"] = [](CameraUnit& u, Call& c) -> Answer {
    SetBinning(u, c, false);
    return std::nullopt;
  };
  p["startx"] = [](CameraUnit& u, Call& c) -> Answer {
    SetWindow(u, c, "StartX", &CameraStatus::startX, 0);
    return std::nullopt;
  };
  p["starty"] = [](CameraUnit& u, Call& c) -> Answer {
    SetWindow(u, c, "StartY", &CameraStatus::startY, 0);
    return std::nullopt;
  };
  p["numx"] = [](CameraUnit& u, Call& c) -> Answer {
    SetWindow(u, c, "NumX", &CameraStatus::numX, 1);
    return std::nullopt;
  };
  p["numy"] = [](CameraUnit& u, Call& c) -> Answer {
    SetWindow(u, c, "NumY", &CameraStatus::numY, 1);
    return std::nullopt;
  };
  p["gain"] = [](CameraUnit& u, Call& c) -> Answer {
    const tqusb::Caps caps = u.With([](const CameraStatus& s) { return s.caps; });
    if (!caps.gain) throw NotImplemented("Gain");
    const int32_t gain = InRange(c, "Gain", 0, static_cast<int32_t>(caps.maxGain));
    u.Run([&](tqusb::Camera& camera) { camera.SetGain(static_cast<uint16_t>(gain)); });
    u.Change([&](CameraStatus& s) { s.gain = gain; });
    return std::nullopt;
  };
  p["readoutmode"] = [](CameraUnit& u, Call& c) -> Answer {
    const size_t modes = u.With([](const CameraStatus& s) {
      if (s.state == CameraState::Exposing || s.state == CameraState::Reading)
        throw AlpacaError(kInvalidOperation, "the read mode cannot change during an exposure");
      return s.readModes.size();
    });
    const int32_t mode =
        InRange(c, "ReadoutMode", 0, static_cast<int32_t>(std::max<size_t>(modes, 1)) - 1);
    if (modes == 0) return std::nullopt;
    u.Run([&](tqusb::Camera& camera) {
      camera.SetReadMode(static_cast<uint32_t>(mode));
      camera.RefreshCapabilities();
      const tqusb::Caps caps = camera.Capabilities();
      u.Change([&](CameraStatus& s) { s.caps = caps; });
    });
    return std::nullopt;
  };
  p["setccdtemperature"] = [](CameraUnit& u, Call& c) -> Answer {
    const tqusb::Caps caps = u.With([](const CameraStatus& s) { return s.caps; });
    if (!caps.cooler) throw NotImplemented("SetCCDTemperature");
    const double t = c.params.Double("SetCCDTemperature");
    if (t < caps.minSetPoint || t > caps.maxSetPoint)
      throw InvalidValue("SetCCDTemperature " + std::to_string(t) + " is outside " +
                         std::to_string(caps.minSetPoint) + ".." +
                         std::to_string(caps.maxSetPoint));
    SetCooling(u, t, std::nullopt);
    return std::nullopt;
  };
  p["cooleron"] = [](CameraUnit& u, Call& c) -> Answer {
    if (!u.With([](const CameraStatus& s) { return s.caps.cooler; }))
      throw NotImplemented("CoolerOn");
    SetCooling(u, std::nullopt, c.params.Bool("CoolerOn"));
    return std::nullopt;
  };
  p["startexposure"] = [](CameraUnit& u, Call& c) -> Answer {
    StartExposure(u, c);
    return std::nullopt;
  };
  p["stopexposure"] = [](CameraUnit& u, Call&) -> Answer {
    if (u.With([](const CameraStatus& s) { return CameraTimed(s); }))
      throw NotImplemented("StopExposure");
    u.StopExposure();
    return std::nullopt;
  };
  p["abortexposure"] = [](CameraUnit& u, Call&) -> Answer {
    if (u.With([](const CameraStatus& s) { return CameraTimed(s); }))
      throw NotImplemented("AbortExposure");
    u.AbortExposure();
    return std::nullopt;
  };
  p["pulseguide"] = [](CameraUnit& u, Call& c) -> Answer {
    PulseGuide(u, c);
    return std::nullopt;
  };
  return k;
}

}  // namespace

const DeviceKind& CameraDevice() {
  static const DeviceKind kind = MakeCamera();
  return kind;
}

}  // namespace tqalpaca
