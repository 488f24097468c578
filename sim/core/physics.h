#pragma once
// The physical side of a camera: sensor temperature under a first-order lag
// toward what the cooler can reach, the cooler power needed for it, and the
// slowly drifting second temperature and analogue readings.
#include <optional>

#include "camera_model.h"

namespace tqsim {

struct Readings {
  double sensorC = 0;       // value index 0
  double secondC = 0;       // value indices 1..3 (heat sink)
  double supplyVolts = 0;   // value index 10
  double auxReading = 0;    // value index 20
  double coolerPower = 0;   // value index 11, 0..1
};

class ThermalModel {
 public:
  ThermalModel(const PhysicsParams& params, bool cooled, double now);

  // Switches regulation to a set point (nothing switches it off again but a
  // power cycle; an unreachable set point makes the cooler run flat out).
  void SetPoint(double celsius, double now);
  std::optional<double> SetPointC() const { return setPoint_; }

  // Brings the state forward to `now`; instant settles at once.
  void Advance(double now, bool instant);

  Readings Read(double now) const;

  // The temperature the sensor approaches.
  double TargetC() const;

 private:
  double Drift(double now, double phase) const;

  PhysicsParams p_;
  bool cooled_;
  std::optional<double> setPoint_;
  double sensorC_;
  double lastUpdate_;
};

}  // namespace tqsim
