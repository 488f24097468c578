// Plain records the module hands to Python.
#ifndef TQUSB_PYTHON_VALUES_H
#define TQUSB_PYTHON_VALUES_H

#include <string>
#include <vector>

#include "binding.h"

namespace tqpy {

struct ReadMode {
  uint32_t index = 0;
  std::string name;
  uint32_t bits = 16;
};

struct FilterSlot {
  uint32_t position = 0;
  std::string name;
  uint32_t colour = 0;
  int32_t offset = 0;
};

struct CameraInfo {
  uint32_t id = 0;
  std::string model;
  uint32_t width = 0, height = 0;
  float pixelWidth = 0, pixelHeight = 0;
  int32_t generation = 0;
  uint32_t maxBinX = 1, maxBinY = 1;
  double minExposure = 0, maxExposure = 0;
  std::vector<std::string> capabilities;
  uint32_t filters = 0;
  uint32_t maxGain = 0;
  uint32_t readMode = 0;
  float minSetPoint = 0, maxSetPoint = 0;
  std::string firmware, libraryVersion, serial;
};

// What a connected camera is and can do, from its capability record.
CameraInfo InfoOf(const tqusb::Camera& camera);

}  // namespace tqpy

#endif
