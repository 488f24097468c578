#include "driver/accessories/value_scales.h"

#include "driver/camera/kind_traits.h"

namespace tQusb {
namespace {

// The constants are part of the camera interface and used exactly as they
// stand; the set-point factors are the single-precision inverses of the
// temperature factors, not derived from them here.
constexpr float kTemperatureOffset = 85.79743194580078f;
constexpr float kSetPointCoarseA = 113.77621459960938f;
constexpr float kSetPointCoarseB = 9761.70703125f;
constexpr float kSetPointFineA = 455.1048583984375f;
constexpr float kSetPointFineB = 39046.828125f;

}  // namespace

float ConvertRaw(EValueScale scale, uint16_t raw) {
  const float r = static_cast<float>(raw);
  switch (scale) {
    case EValueScale::SensorG0Sixteenth:
      return static_cast<float>(static_cast<int16_t>(raw)) * 0.0625f;
    case EValueScale::SensorG0:
      return r * 0.0703134685754776f - kTemperatureOffset;
    case EValueScale::AnalogG0:
      return r * 17.907499313354492f * 0.00048828125f;
    case EValueScale::TemperatureCoarse:
      return r * 0.008789182640612125f - kTemperatureOffset;
    case EValueScale::TemperatureFine:
      return r * 0.0021972956601530313f - kTemperatureOffset;
    case EValueScale::AnalogCoarse:
      return r * 18.125f * 0.00006103515625f;
    case EValueScale::AnalogFine:
      return r * 18.125f * 0.0000152587890625f;
    case EValueScale::Thousandths:
      return r / 1000.0f;
    case EValueScale::SensorG23:
      return r * 0.00390625f;
  }
  return 0.0f;
}

uint16_t SetPointRaw(float celsius, uint32_t cameraKind) {
  const bool coarse = KindTraitsOf(cameraKind).CoarseScales;
  const float a = coarse ? kSetPointCoarseA : kSetPointFineA;
  const float b = coarse ? kSetPointCoarseB : kSetPointFineB;
  const float scaled = celsius * a + b + 0.5f;
  if (!(scaled > 0.0f)) return 0;  // below the range, and NaN
  if (scaled > 65535.0f) return 65535;
  return static_cast<uint16_t>(scaled);
}

}  // namespace tQusb
