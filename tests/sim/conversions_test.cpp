// The raw words of the value queries and of the host's set point.
#include "core/conversions.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tqsim {
namespace {

TEST(SimConversions, EncodedWordsReadBackAsTheValue) {
  struct Case {
    Conversion c;
    double value;
    double tolerance;  // half a step of the word
  };
  const Case cases[] = {
      {Conversion::kSensorG0Sixteenth, -1.0, 0.0},   {Conversion::kSensorG0, -12.3, 0.036},
      {Conversion::kAnalogG0, 12.0, 0.005},          {Conversion::kTemperatureCoarse, -20.0, 0.0045},
      {Conversion::kTemperatureFine, 0.0004, 0.0011}, {Conversion::kAnalogCoarse, 11.9, 0.0006},
      {Conversion::kAnalogFine, 12.05, 0.00015},     {Conversion::kThousandths, 12.345, 0.0005},
      {Conversion::kSensorG23, 26.5, 0.002},
  };
  for (const Case& k : cases) {
    const std::uint16_t raw = EncodeRaw(k.c, k.value);
    EXPECT_NEAR(ConvertRaw(k.c, raw), k.value, k.tolerance + 1e-6) << int(k.c);
    // No neighbouring word reads closer.
    for (int d : {-1, 1}) {
      const double other = std::fabs(ConvertRaw(k.c, static_cast<std::uint16_t>(raw + d)) - k.value);
      EXPECT_GE(other + 1e-9, std::fabs(ConvertRaw(k.c, raw) - k.value));
    }
  }
  EXPECT_EQ(EncodeRaw(Conversion::kSensorG0Sixteenth, -1.0), 0xFFF0);
  EXPECT_EQ(EncodeRaw(Conversion::kTemperatureFine, -200.0), 0);
  EXPECT_EQ(EncodeRaw(Conversion::kSensorG23, -5.0), 0);
  EXPECT_EQ(EncodeRaw(Conversion::kThousandths, 1e9), 65535);
}

TEST(SimConversions, SetPointWordOfTheHostDecodesToItsTemperature) {
  // The host sends trunc(t * A + B + 0.5); the camera reads it on the sensor scale.
  const float a = 455.1048583984375f, b = 39046.828125f;
  const auto raw = static_cast<std::uint16_t>(-20.0f * a + b + 0.5f);
  EXPECT_EQ(raw, 29945);
  EXPECT_NEAR(ConvertRaw(SetPointConversion(11), raw), -20.0, 0.002);
  EXPECT_NEAR(ConvertRaw(SetPointConversion(1), 7486), -20.0, 0.01);
}

}  // namespace
}  // namespace tqsim
