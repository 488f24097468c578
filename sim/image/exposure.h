// Exposure bookkeeping of one simulated sensor, as a pure model over clock
// times (seconds on the simulator's clock; the server supplies them).
//
// The sensor integrates dark current from the moment it is cleared until the
// integration ends (an end-exposure request or the readout), and light while
// the shutter is open within that span. A readout delivers what was
// integrated and leaves the sensor cleared, integrating again from the time
// of the readout. Requests map onto it as follows:
//   generation 0:    0x03 Clear; 0x04/0x07 Readout; 0x05/0x08 Timed (no
//                    shutter: always light)
//   generation 1:    0x04 Clear; 0x0C SetShutter(open); 0x0D SetShutter(closed);
//                    0x0B Readout; 0x15 Timed with the request's shutter flag
//   generations 2-5: 0x07 Begin with the flag; 0x08 End; 0x09 Readout;
//                    0x0A Timed with the request's shutter flag
#pragma once

#include <cstdint>

#include "image/scene.h"

namespace tqsim::image {

class Integration {
 public:
  // powerOn: clock time at which the sensor starts integrating.
  explicit Integration(double powerOn = 0.0, bool shutterOpen = false);

  void Clear(double now);
  void SetShutter(double now, bool open);
  // Clear, then set the shutter: the start of a host-controlled exposure.
  void Begin(double now, bool shutterOpen);
  // Stops integrating; a later readout reads this frame. A second End keeps
  // the first end time.
  void End(double now);
  // The frame a readout at `now` delivers (ending the integration first if
  // it still runs); the sensor is then cleared at `now`.
  Exposure Readout(double now, double temperatureC);
  // An exposing readout request: integrate from `start` for `seconds` with
  // the shutter as given, then read. The shutter returns to its state before
  // the request and the sensor integrates again from the end of the exposure.
  Exposure Timed(double start, double seconds, bool shutterOpen, double temperatureC);

  // Clock time of the start of the last exposure (last clear or begin).
  double LastStart() const { return lastStart_; }
  bool ShutterOpen() const { return shutterOpen_; }
  uint64_t FramesRead() const { return frame_; }

 private:
  void AccumulateLight(double now);

  double start_;
  double lastStart_;
  double lightSince_;
  double light_ = 0.0;
  double end_ = 0.0;
  bool ended_ = false;
  bool shutterOpen_;
  uint64_t frame_ = 0;
};

// Readout speed of a camera's link in bytes per second of simulated time.
constexpr double kUsb2ReadoutRate = 35.0e6;
constexpr double kUsb3ReadoutRate = 320.0e6;

// Simulated seconds a transfer of `bytes` takes at `bytesPerSecond`
// (0 or less: instantaneous).
double ReadoutSeconds(uint64_t bytes, double bytesPerSecond);

}  // namespace tqsim::image
