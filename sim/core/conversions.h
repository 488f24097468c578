#pragma once
// The raw 16-bit words of the value queries. The host converts a raw word to
// a reading with fixed single-precision formulas; the firmware encodes a value
// as the raw word whose conversion comes closest to it, so the host reads back
// the model's value as exactly as the word allows.
#include <cstdint>

namespace tqsim {

enum class Conversion {
  kSensorG0Sixteenth,  // generation 0 with packed flag bit 1: signed, 1/16 degree
  kSensorG0,           // generation 0 sensor temperature
  kAnalogG0,           // generation 0 analogue reading
  kTemperatureCoarse,  // generations 1, 4, 5, kinds 1 and 2
  kTemperatureFine,    // generations 1, 4, 5, other kinds
  kAnalogCoarse,       // kinds 1 and 2
  kAnalogFine,         // other kinds of generations 1, 4, 5
  kThousandths,        // value index 20
  kSensorG23,          // generations 2 and 3: unsigned 1/256 degree
};

// The reading the host forms from a raw word.
float ConvertRaw(Conversion c, std::uint16_t raw);

// The raw word whose reading is nearest to `value` (clamped to the word range).
std::uint16_t EncodeRaw(Conversion c, double value);

// The set-point raw word is on the scale of the sensor reading.
Conversion SetPointConversion(int kind);

// Power-utilisation words: kinds 1 and 2 report a / (a + b), the other kinds
// a / b.
struct PowerWords {
  std::uint16_t a = 0;
  std::uint16_t b = 0;
};
PowerWords EncodePower(int kind, double fraction);

}  // namespace tqsim
