#include "conversions.h"

#include <algorithm>
#include <cmath>

namespace tqsim {
namespace {

constexpr float kTemperatureOffset = 85.79743194580078f;
constexpr int kPowerScale = 10000;

// Approximate inverse in double precision; the exact word is searched around it.
double ApproximateRaw(Conversion c, double v) {
  switch (c) {
    case Conversion::kSensorG0Sixteenth:
      return v * 16.0;
    case Conversion::kSensorG0:
      return (v + kTemperatureOffset) / 0.0703134685754776;
    case Conversion::kAnalogG0:
      return v / (17.907499313354492 * 0.00048828125);
    case Conversion::kTemperatureCoarse:
      return (v + kTemperatureOffset) / 0.008789182640612125;
    case Conversion::kTemperatureFine:
      return (v + kTemperatureOffset) / 0.0021972956601530313;
    case Conversion::kAnalogCoarse:
      return v / (18.125 * 0.00006103515625);
    case Conversion::kAnalogFine:
      return v / (18.125 * 0.0000152587890625);
    case Conversion::kThousandths:
      return v * 1000.0;
    case Conversion::kSensorG23:
      return v * 256.0;
  }
  return 0;
}

}  // namespace

float ConvertRaw(Conversion c, std::uint16_t raw) {
  const float r = static_cast<float>(raw);
  switch (c) {
    case Conversion::kSensorG0Sixteenth:
      return static_cast<float>(static_cast<std::int16_t>(raw)) * 0.0625f;
    case Conversion::kSensorG0:
      return r * 0.0703134685754776f - kTemperatureOffset;
    case Conversion::kAnalogG0:
      return r * 17.907499313354492f * 0.00048828125f;
    case Conversion::kTemperatureCoarse:
      return r * 0.008789182640612125f - kTemperatureOffset;
    case Conversion::kTemperatureFine:
      return r * 0.0021972956601530313f - kTemperatureOffset;
    case Conversion::kAnalogCoarse:
      return r * 18.125f * 0.00006103515625f;
    case Conversion::kAnalogFine:
      return r * 18.125f * 0.0000152587890625f;
    case Conversion::kThousandths:
      return r / 1000.0f;
    case Conversion::kSensorG23:
      return r * 0.00390625f;
  }
  return 0;
}

std::uint16_t EncodeRaw(Conversion c, double value) {
  if (c == Conversion::kSensorG0Sixteenth) {
    const double r = std::clamp(std::round(value * 16.0), -32768.0, 32767.0);
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(r));
  }
  if (!std::isfinite(value)) return 0;
  const double guess = std::clamp(std::round(ApproximateRaw(c, value)), 0.0, 65535.0);
  std::uint16_t best = static_cast<std::uint16_t>(guess);
  double bestError = std::fabs(ConvertRaw(c, best) - value);
  for (int d = -2; d <= 2; ++d) {
    const double candidate = guess + d;
    if (candidate < 0 || candidate > 65535) continue;
    const auto raw = static_cast<std::uint16_t>(candidate);
    const double error = std::fabs(ConvertRaw(c, raw) - value);
    if (error < bestError) {
      best = raw;
      bestError = error;
    }
  }
  return best;
}

Conversion SetPointConversion(int kind) {
  return (kind == 1 || kind == 2) ? Conversion::kTemperatureCoarse : Conversion::kTemperatureFine;
}

PowerWords EncodePower(int kind, double fraction) {
  const double f = std::clamp(std::isfinite(fraction) ? fraction : 0.0, 0.0, 1.0);
  const auto a = static_cast<std::uint16_t>(std::lround(f * kPowerScale));
  if (kind == 1 || kind == 2) return {a, static_cast<std::uint16_t>(kPowerScale - a)};
  return {a, static_cast<std::uint16_t>(kPowerScale)};
}

}  // namespace tqsim
