#pragma once
// What the device offers for a connected camera: the library's capability
// record, the read modes' names, how exposures are timed, and which of the
// readings the driver polls (temperature, cooler power) the camera gives. A
// function the camera refuses later is cleared here, so the device stops
// offering it.
#include <cstdint>
#include <string>
#include <vector>

#include "tqusb/tqusb.hpp"

namespace tqindi {

struct CameraTraits {
  tqusb::Caps caps{};
  bool hostTimedExposure = false;  // BeginExposure/EndExposure, else one camera-timed call
  double maxExposure = 3600;       // seconds an exposure request can carry
  bool temperature = false;        // the sensor temperature reading answers
  bool setPoint = false;           // SetTemperature exists
  bool coolerPower = false;
  uint32_t filterCount = 0;  // 0: no wheel
  std::vector<std::string> readModes;
  uint32_t defaultReadMode = 0;  // the first mode with the most bits per pixel

  // True when the read mode delivers 8-bit pixels (a camera without read
  // modes delivers 16-bit ones).
  bool EightBit(int mode) const {
    return mode >= 0 && size_t(mode) < readModes.size() && caps.readModeBits[mode] == 8;
  }
};

// Reads the traits of a connected camera afresh; a tqusb::Error when the
// library cannot describe it. The readings are probed by reading them once,
// which changes nothing.
CameraTraits ReadTraits(tqusb::Camera& camera);

}  // namespace tqindi
