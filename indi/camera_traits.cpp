#include "camera_traits.h"

#include <algorithm>

namespace tqindi {
namespace {

// Generations 1 to 5 expose under the driver's clock (BeginExposure,
// EndExposure), which sets no limit of its own; an hour is offered.
constexpr double kLongestHostTimedExposure = 3600.0;

// A reading is present unless the library says the camera cannot give it;
// other failures (a transfer that failed) still mean it exists.
bool Present(const CameraHandle& c, bool succeeded) {
  return succeeded || !c.LastFailureIsUnsupported();
}

void ReadModes(const CameraHandle& c, const TQCAMERACAPS& caps, CameraTraits& t) {
  const uint32_t described = std::min<uint32_t>(caps.readModes, TQ_CAPS_READ_MODES);
  for (uint32_t i = 0; i < described; ++i) {
    char mode[40] = {};
    if (!EnumerateReadModes(c.Get(), i, sizeof mode - 1, mode)) break;
    t.readModes.emplace_back(mode);
    t.readModeBits.push_back(caps.readModeBits[i]);
    if (t.readModeBits[i] > t.readModeBits[t.defaultReadMode]) t.defaultReadMode = i;
  }
}

}  // namespace

bool ReadTraits(const CameraHandle& c, CameraTraits& t) {
  TQCAMERACAPS caps{};
  caps.size = sizeof caps;
  if (!tqGetCameraCaps(c.Get(), &caps)) return false;
  t = CameraTraits{};
  t.generation = caps.generation;
  t.width = caps.width;
  t.height = caps.height;
  t.maxBinX = std::max<uint32_t>(caps.maxBinX, 1);
  t.maxBinY = std::max<uint32_t>(caps.maxBinY, 1);
  t.pixelSizeX = caps.pixelWidth;
  t.pixelSizeY = caps.pixelHeight;
  t.subFrames = caps.subFrames;
  // Generation 0 has no exposure control: the camera times every exposure
  // in the readout call, up to its own limit.
  t.hostTimedExposure = caps.generation != 0;
  t.minExposure = caps.minExposure;
  t.maxExposure = t.hostTimedExposure ? kLongestHostTimedExposure : caps.maxExposure;
  t.shutter = caps.shutter;
  t.minSetPoint = caps.minSetPoint;
  t.maxSetPoint = caps.maxSetPoint;
  t.fan = caps.fan;
  t.windowHeating = caps.windowHeater;
  t.gain = caps.gain;
  t.maxGain = caps.maxGain;
  t.guidePort = caps.guidePort;
  t.filterCount = caps.filterWheel ? caps.filters : 0;
  t.gps = caps.gps;
  ReadModes(c, caps, t);

  TQCAMERA h = c.Get();
  float value = 0;
  t.temperature = Present(c, GetValue(h, TQ_VALUE_SENSOR_TEMPERATURE, &value));
  // The set point is given through the temperature property.
  t.setPoint = caps.cooler && t.temperature;
  t.coolerPower = t.setPoint && (ReadPowerUtilization(h, &value) ||
                                 GetValue(h, TQ_VALUE_POWER_UTILIZATION, &value) ||
                                 !c.LastFailureIsUnsupported());
  return true;
}

}  // namespace tqindi
