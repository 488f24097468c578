// One exposure and its readout. Generations 1 to 5 are exposed under the
// tool's own clock (BeginExposure, wait, EndExposure, GetImage), so Ctrl-C
// can end the exposure cleanly; generation 0 has no exposure control and is
// exposed and read in one library call.
#pragma once

#include <chrono>
#include <string>

#include "capture_setup.h"
#include "frame.h"

namespace tqcam {

struct ExposureRequest {
  double seconds = 0.0;
  bool light = true;  // shutter open
  bool eightBit = false;
  Window window;
  std::string label;  // goes before the progress text, e.g. "frame 2/5: "
};

struct ExposureResult {
  Frame frame;
  std::chrono::system_clock::time_point hostStart;  // host clock just before the start
};

ExposureResult Expose(tqusb::Camera& camera, const ExposureRequest& request);

}  // namespace tqcam
