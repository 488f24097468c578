// The commands of tqcam. Each returns the exit status or throws Failure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tqcam {

struct CaptureOptions {
  uint32_t id = 0;
  double exposure = 0.0;
  std::string binning = "1";
  std::string roi;
  std::string mode;
  bool eightBit = false;
  bool dark = false;
  unsigned count = 1;
  std::string filter;
  std::optional<double> temperature;
  bool waitTemperature = false;
  double waitTimeout = 600.0;
  std::optional<unsigned> gain;
  std::string output = "tqcam-{id}-{n}.fits";
  bool png = false;
};

int ListCameras();
int ShowInfo(uint32_t id, bool json);
int Capture(const CaptureOptions& options);
int Cool(uint32_t id, std::optional<double> setPoint, bool watch, double seconds);
int MoveFilter(uint32_t id, const std::string& filter);
int Guide(uint32_t id, int firstAxis, int secondAxis);
int ShowGps(uint32_t id);
int Watch(double seconds);

}  // namespace tqcam
