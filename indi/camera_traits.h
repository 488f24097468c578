#pragma once
// What a connected camera can do, read from its parameter queries and from
// harmless probes of the operations that are optional in the library build.
#include <cstdint>
#include <string>
#include <vector>

#include "camera_handle.h"

namespace tqindi {

struct CameraTraits {
  int generation = 0;  // protocol generation the parameters reveal (0..5)
  uint32_t width = 0, height = 0;
  uint32_t maxBinX = 1, maxBinY = 1;
  double pixelSizeX = 0, pixelSizeY = 0;  // micrometres; 0 when not reported
  bool subFrames = false;
  bool hostTimedExposure = false;  // BeginExposure/EndExposure, else one camera-timed call
  double maxExposure = 3600;       // seconds the exposure request can carry
  bool shutter = false;
  bool temperature = false;  // GetValue(0) answers
  bool setPoint = false;     // SetTemperature exists
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
};

// Reads the traits of a connected camera. The probes only read (values,
// filter names, guiding state, gain table, GPS), so they change nothing.
CameraTraits ReadTraits(const CameraHandle& camera);

// True when the camera delivers 8-bit pixels in its current read mode.
bool EightBitReadMode(const CameraHandle& camera, uint32_t binX, uint32_t binY);

}  // namespace tqindi
