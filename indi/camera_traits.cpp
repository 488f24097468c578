#include "camera_traits.h"

#include <algorithm>

namespace tqindi {
namespace {

// Generations 1 to 5 expose under the driver's clock (BeginExposure,
// EndExposure), which sets no limit of its own; an hour is offered.
constexpr double kLongestHostTimedExposure = 3600.0;

// A reading is present unless the library says the camera cannot give it;
// other failures (a transfer that failed) still mean it exists.
bool Answers(const tqusb::Camera& camera, uint32_t index) {
  try {
    camera.Value(index);
    return true;
  } catch (const tqusb::Error& e) {
    return e.Kind() != tqusb::ErrorKind::NotSupported;
  }
}

}  // namespace

CameraTraits ReadTraits(tqusb::Camera& camera) {
  camera.RefreshCapabilities();
  CameraTraits t;
  t.caps = camera.Capabilities();
  t.caps.maxBinX = std::max<uint32_t>(t.caps.maxBinX, 1);
  t.caps.maxBinY = std::max<uint32_t>(t.caps.maxBinY, 1);
  // Generation 0 has no exposure control: the camera times every exposure
  // in the readout call, up to its own limit.
  t.hostTimedExposure = t.caps.generation != 0;
  t.maxExposure = t.hostTimedExposure ? kLongestHostTimedExposure : t.caps.maxExposure;
  t.filterCount = t.caps.filterWheel ? t.caps.filters : 0;

  // The record gives the bits per pixel of the first TQ_CAPS_READ_MODES modes.
  t.readModes = camera.ReadModes();
  t.readModes.resize(std::min<size_t>(t.readModes.size(),
                                      std::min<uint32_t>(t.caps.readModes, TQ_CAPS_READ_MODES)));
  for (uint32_t i = 0; i < t.readModes.size(); ++i)
    if (t.caps.readModeBits[i] > t.caps.readModeBits[t.defaultReadMode]) t.defaultReadMode = i;

  t.temperature = Answers(camera, TQ_VALUE_SENSOR_TEMPERATURE);
  // The set point is given through the temperature property.
  t.setPoint = t.caps.cooler && t.temperature;
  t.coolerPower = t.setPoint && (camera.PowerUtilization().has_value() ||
                                 Answers(camera, TQ_VALUE_POWER_UTILIZATION));
  return t;
}

}  // namespace tqindi
