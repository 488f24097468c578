// The set-point encoding against the temperature reading it has to match,
// over every raw word.
#include "driver/accessories/value_scales.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace tQusb;

namespace {

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
