// The raw-word scales, bit for bit over every raw word against the formulas
// written out here in single precision, and the set-point encoding against
// the temperature reading it has to match.
#include "driver/accessories/value_scales.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <limits>

using namespace tQusb;

namespace {

TEST(ValueScales, EveryRawWordBitForBit) {
  using Formula = std::function<float(uint16_t)>;
  const float offset = 85.79743194580078f;
  const struct {
    EValueScale scale;
    Formula formula;
  } rows[] = {
      {EValueScale::SensorG0Sixteenth, [](uint16_t r) { return float(int16_t(r)) * 0.0625f; }},
      {EValueScale::SensorG0, [&](uint16_t r) { return float(r) * 0.0703134685754776f - offset; }},
      {EValueScale::AnalogG0,
       [](uint16_t r) { return (float(r) * 17.907499313354492f) * (1.0f / 2048); }},
      {EValueScale::TemperatureCoarse,
       [&](uint16_t r) { return float(r) * 0.008789182640612125f - offset; }},
      {EValueScale::TemperatureFine,
       [&](uint16_t r) { return float(r) * 0.0021972956601530313f - offset; }},
      {EValueScale::AnalogCoarse, [](uint16_t r) { return (float(r) * 18.125f) / 16384; }},
      {EValueScale::AnalogFine, [](uint16_t r) { return (float(r) * 18.125f) / 65536; }},
      {EValueScale::Thousandths, [](uint16_t r) { return float(r) / 1000.0f; }},
      {EValueScale::SensorG23, [](uint16_t r) { return float(r) / 256; }},
  };
  for (const auto& row : rows) {
    unsigned mismatches = 0;
    for (uint32_t raw = 0; raw <= 0xFFFF; ++raw) {
      const float got = ConvertRaw(row.scale, uint16_t(raw));
      const float want = row.formula(uint16_t(raw));
      if (std::bit_cast<uint32_t>(got) != std::bit_cast<uint32_t>(want) && mismatches++ < 3)
        ADD_FAILURE() << "scale " << int(row.scale) << " raw " << raw << ": " << got << " vs "
                      << want;
    }
    EXPECT_EQ(mismatches, 0u) << "scale " << int(row.scale);
  }
}

// A set point and a reading of the same temperature carry the same raw word
// within one step, wherever the set point is not clamped.
TEST(ValueScales, SetPointMatchesTheReadingScale) {
  const struct {
    uint32_t kind;
    EValueScale reading;
  } kinds[] = {{1, EValueScale::TemperatureCoarse},
               {2, EValueScale::TemperatureCoarse},
               {11, EValueScale::TemperatureFine},
               {3, EValueScale::TemperatureFine}};
  for (const auto& k : kinds) {
    unsigned mismatches = 0;
    for (uint32_t raw = 0; raw <= 0xFFFF; ++raw) {
      const uint16_t set = SetPointRaw(ConvertRaw(k.reading, uint16_t(raw)), k.kind);
      if ((set > raw ? set - raw : raw - set) > 1 && mismatches++ < 3)
        ADD_FAILURE() << "kind " << k.kind << " raw " << raw << " sets " << set;
    }
    EXPECT_EQ(mismatches, 0u) << "kind " << k.kind;
  }
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(SetPointRaw(nan, 11), 0);
  EXPECT_EQ(SetPointRaw(-inf, 1), 0);
  EXPECT_EQ(SetPointRaw(inf, 1), 65535);
}

}  // namespace
