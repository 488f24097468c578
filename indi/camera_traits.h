#pragma once
// What a connected camera can do: the library's capability record, the read
// modes' names, and which of the readings the driver polls (temperature,
// cooler power) the camera gives.
#include <cstdint>
#include <string>
#include <vector>

#include "camera_handle.h"

namespace tqindi {

struct CameraTraits {
  int generation = 0;  // protocol generation (0..5)
  uint32_t width = 0, height = 0;
  uint32_t maxBinX = 1, maxBinY = 1;
  double pixelSizeX = 0, pixelSizeY = 0;  // micrometres; 0 when not reported
  bool subFrames = false;
  bool hostTimedExposure = false;  // BeginExposure/EndExposure, else one camera-timed call
  double minExposure = 0, maxExposure = 3600;  // seconds an exposure request can carry
  bool shutter = false;
  bool temperature = false;  // GetValue(0) answers
  bool setPoint = false;     // SetTemperature exists
  double minSetPoint = 0, maxSetPoint = 0;  // degrees Celsius
  bool coolerPower = false;
  bool fan = false;
  bool windowHeating = false;
  bool gain = false;
  uint32_t maxGain = 0;  // tenths of a decibel
  bool guidePort = false;
  uint32_t filterCount = 0;  // 0: no wheel
  bool gps = false;
  std::vector<std::string> readModes;
  std::vector<int> readModeBits;  // bits per pixel of each read mode: 8 or 16
  uint32_t defaultReadMode = 0;   // the first mode with the most bits per pixel

  // True when the read mode delivers 8-bit pixels (a camera without read
  // modes delivers 16-bit ones).
  bool EightBit(int mode) const {
    return mode >= 0 && size_t(mode) < readModeBits.size() && readModeBits[mode] == 8;
  }
};

// Reads the traits of a connected camera; false (the library's text in the
// camera's last error) when the library cannot describe it. The readings are
// probed by reading them once, which changes nothing.
bool ReadTraits(const CameraHandle& camera, CameraTraits& traits);

}  // namespace tqindi
