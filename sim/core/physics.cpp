#include "physics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tqsim {
namespace {

// How much harder than steady state the cooler pushes per degree of error.
constexpr double kPowerPerDegreeError = 0.1;

}  // namespace

ThermalModel::ThermalModel(const PhysicsParams& params, bool cooled, double now)
    : p_(params), cooled_(cooled), sensorC_(params.ambientC), lastUpdate_(now) {
  if (!cooled_) sensorC_ = p_.ambientC + p_.selfHeatingC;
  if (cooled_ && p_.initialSetPointC) setPoint_ = *p_.initialSetPointC;
}

void ThermalModel::SetPoint(double celsius, double now) {
  Advance(now, false);
  if (cooled_) setPoint_ = celsius;
}

double ThermalModel::TargetC() const {
  if (!cooled_) return p_.ambientC + p_.selfHeatingC;
  if (!setPoint_) return p_.ambientC;
  return std::clamp(*setPoint_, p_.ambientC - p_.coolingDepthC, p_.ambientC);
}

void ThermalModel::Advance(double now, bool instant) {
  const double target = TargetC();
  if (instant) {
    sensorC_ = target;
  } else if (now > lastUpdate_) {
    const double decay = std::exp(-(now - lastUpdate_) / p_.timeConstantS);
    sensorC_ = target + (sensorC_ - target) * decay;
  }
  lastUpdate_ = std::max(lastUpdate_, now);
}

double ThermalModel::Drift(double now, double phase) const {
  return p_.driftAmplitude * std::sin(2.0 * std::numbers::pi * now / p_.driftPeriodS + phase);
}

Readings ThermalModel::Read(double now) const {
  Readings r;
  r.sensorC = sensorC_;
  if (cooled_ && setPoint_ && p_.coolingDepthC > 0) {
    // Holding a temperature below ambient costs power in proportion to the
    // depth; pulling down toward the target costs more until it is reached.
    const double hold = (p_.ambientC - sensorC_) / p_.coolingDepthC;
    const double pull = (sensorC_ - TargetC()) * kPowerPerDegreeError;
    r.coolerPower = std::clamp(hold + pull, 0.0, 1.0);
  }
  r.secondC = p_.ambientC + p_.heatSinkRiseC * r.coolerPower + Drift(now, 0.0);
  r.supplyVolts = p_.supplyVoltage * (1.0 - 0.01 * r.coolerPower) + Drift(now, 1.3);
  r.auxReading = std::max(0.0, p_.auxReading + Drift(now, 2.6) * 0.1);
  return r;
}

}  // namespace tqsim
