// The raw words of the value queries at the ends of their range. (The host's
// set point reaching the camera is tested end to end: the sensor settles there.)
#include "core/conversions.h"

#include <gtest/gtest.h>

namespace tqsim {
namespace {

TEST(SimConversions, EncodingClampsToTheWord) {
  EXPECT_EQ(EncodeRaw(Conversion::kSensorG0Sixteenth, -1.0), 0xFFF0);
  EXPECT_EQ(EncodeRaw(Conversion::kTemperatureFine, -200.0), 0);
  EXPECT_EQ(EncodeRaw(Conversion::kSensorG23, -5.0), 0);
  EXPECT_EQ(EncodeRaw(Conversion::kThousandths, 1e9), 65535);
}

}  // namespace
}  // namespace tqsim
