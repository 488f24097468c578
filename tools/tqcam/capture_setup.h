// What a capture asks of the camera before it exposes: parsing the binning,
// window, read mode and filter arguments against what the camera offers, and
// waiting for the cooler.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tqusb/tqusb.hpp"

namespace tqcam {

struct Binning {
  uint32_t x = 1, y = 1;
};

using Window = tqusb::Window;

// "2" or "2x3".
Binning ParseBinning(const std::string& text);
// "X,Y,W,H".
Window ParseWindow(const std::string& text);
// The window within a frame of frameWidth x frameHeight; Failure when it
// does not lie wholly on it.
void CheckWindow(const Window& window, uint32_t frameWidth, uint32_t frameHeight);

// The read mode a capture uses: the one named, else with --8bit the first
// 8-bit mode, else the mode with the most bits per pixel (the current one
// when it is among them). No index: the camera has no read modes.
struct ReadModeChoice {
  std::optional<uint32_t> index;
  std::string name;
  int bits = 16;
};
ReadModeChoice ChooseReadMode(const tqusb::Camera& camera, const std::string& mode, bool eightBit);

// The readout a command asks for: binning, window (the whole binned frame
// when roi is empty) and read mode, checked against the camera.
struct ReadoutPlan {
  Binning binning;
  Window window;
  ReadModeChoice mode;
};
ReadoutPlan PlanReadout(const tqusb::Camera& camera, const std::string& binning,
                        const std::string& roi, const std::string& mode, bool eightBit);

// Checks against what the camera can do, before anything is sent to it; a
// value outside is a Failure naming the limit. `cameraTimed`: the camera
// times the exposure itself (GetImageExposure), also on generations whose
// longer exposures the tool times.
void CheckExposure(const tqusb::Camera& camera, double seconds, bool cameraTimed = false);
void CheckSetPoint(const tqusb::Camera& camera, double celsius);
void CheckBinning(const tqusb::Camera& camera, const Binning& binning);
void CheckGain(const tqusb::Camera& camera, unsigned gain);
void CheckFilterPosition(const tqusb::Camera& camera, uint32_t position);
// The wheel position of a filter given by position number or name.
uint32_t ResolveFilter(const tqusb::Camera& camera, const std::string& filter, std::string* name);

// Polls the sensor temperature until it is within half a degree of the set
// point; Failure on timeout or Ctrl-C.
void WaitForTemperature(const tqusb::Camera& camera, double setPoint, double timeoutSeconds);

}  // namespace tqcam
