// The commands of tqcam. Each returns the exit status or throws Failure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tqcam {

// The kinds of frame a capture takes: light and flat frames open the
// shutter, dark and bias frames keep it closed; a bias frame has no exposure.
enum class FrameType { Light, Dark, Bias, Flat };

struct CaptureOptions {
  uint32_t id = 0;
  std::optional<double> exposure;
  std::string binning = "1";
  std::string roi;
  std::string mode;
  bool eightBit = false;
  FrameType type = FrameType::Light;
  unsigned count = 1;
  double delay = 0.0;
  std::string filter;
  std::optional<double> temperature;
  bool waitTemperature = false;
  double waitTimeout = 600.0;
  std::optional<unsigned> gain;
  std::string output = "tqcam-{id}-{n}.fits";
  bool overwrite = false;
  bool png = false;
};

// A video: frames read back to back into a SER file, until --count frames
// are recorded, --seconds have passed, or Ctrl-C.
struct VideoOptions {
  uint32_t id = 0;
  std::optional<double> exposure;  // default: the camera's shortest
  std::string binning = "1";
  std::string roi;
  std::string mode;
  bool eightBit = false;
  std::optional<uint32_t> count;
  std::optional<double> seconds;
  std::string output = "tqcam-{id}.ser";
  bool overwrite = false;
  std::string observer, telescope;
};

int ListCameras();
int ShowInfo(uint32_t id, bool json);
int Capture(const CaptureOptions& options);
int Video(const VideoOptions& options);
int Cool(uint32_t id, std::optional<double> setPoint, bool watch, double seconds);
int MoveFilter(uint32_t id, const std::string& filter);
int Guide(uint32_t id, int firstAxis, int secondAxis);
int ShowGps(uint32_t id);
int Watch(double seconds);

}  // namespace tqcam
