// The raw words of the value queries and of the host's set point.
#include "core/conversions.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tqsim {
namespace {

TEST(SimConversions, EncodingClampsToTheWord) {
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
