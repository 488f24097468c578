#pragma once
// The fixed single-precision scales between the camera's raw 16-bit words and
// physical values: the conversions of the value readings and the encoding of
// the temperature set point, which is built on the same temperature scale.
#include <cstdint>

namespace tQusb {

enum class EValueScale : uint8_t {
  SensorG0Sixteenth,  // generation 0, packed flag bit 1: signed sixteenths of a degree
  SensorG0,           // generation 0 sensor temperature
  AnalogG0,           // generation 0 analogue reading
  TemperatureCoarse,  // generations 1, 4, 5, kinds with the coarse scales
  TemperatureFine,    // generations 1, 4, 5, other kinds
  AnalogCoarse,       // generations 1, 4, 5, kinds with the coarse scales
  AnalogFine,         // generations 1, 4, 5, other kinds
  Thousandths,        // value index 20
  SensorG23,          // generations 2 and 3: unsigned 1/256 degree
};

// The value a raw word stands for, evaluated left to right in single precision.
float ConvertRaw(EValueScale scale, uint16_t raw);

// The set-point word for `celsius` on the temperature scale of the kind:
// truncate(clamp(t * A + B + 0.5, 0, 65535)) in single precision. NaN gives 0.
uint16_t SetPointRaw(float celsius, uint32_t cameraKind);

}  // namespace tQusb
