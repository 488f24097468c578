// Thermal model and the raw words of the value queries.
#include "core/physics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/conversions.h"
#include "core/firmware.h"

namespace tqsim {
namespace {

TEST(SimPhysics, SensorApproachesSetPointWithFirstOrderLag) {
  PhysicsParams p;
  p.ambientC = 20;
  p.coolingDepthC = 40;
  p.timeConstantS = 10;
  ThermalModel t(p, true, 0.0);
  EXPECT_DOUBLE_EQ(t.Read(0).sensorC, 20.0);
  EXPECT_DOUBLE_EQ(t.Read(0).coolerPower, 0.0);
  t.SetPoint(-10, 0.0);
  t.Advance(10.0, false);
  // One time constant: 1 - 1/e of the way.
  EXPECT_NEAR(t.Read(10).sensorC, -10 + 30 * std::exp(-1.0), 1e-9);
  EXPECT_DOUBLE_EQ(t.Read(10).coolerPower, 1.0);  // still pulling down hard
  t.Advance(1000.0, false);
  EXPECT_NEAR(t.Read(1000).sensorC, -10.0, 1e-9);
  EXPECT_NEAR(t.Read(1000).coolerPower, 0.75, 1e-9);  // holds 30 of 40 degrees
}

TEST(SimPhysics, CoolingDepthLimitsTheTargetAndInstantSettles) {
  PhysicsParams p;
  p.ambientC = 25;
  p.coolingDepthC = 30;
  ThermalModel t(p, true, 0.0);
  t.SetPoint(-50, 0.0);
  EXPECT_DOUBLE_EQ(t.TargetC(), -5.0);
  t.Advance(0.0, true);
  EXPECT_DOUBLE_EQ(t.Read(0).sensorC, -5.0);
  EXPECT_DOUBLE_EQ(t.Read(0).coolerPower, 1.0);
  t.SetPoint(40, 0.0);  // a cooler cannot heat
  EXPECT_DOUBLE_EQ(t.TargetC(), 25.0);

  ThermalModel uncooled(p, false, 0.0);
  uncooled.SetPoint(-10, 0);
  EXPECT_DOUBLE_EQ(uncooled.Read(0).sensorC, 25.0 + p.selfHeatingC);
  EXPECT_DOUBLE_EQ(uncooled.Read(0).coolerPower, 0.0);
}

TEST(SimPhysics, ReadingsDriftWithinTheirAmplitude) {
  PhysicsParams p;
  ThermalModel t(p, true, 0.0);
  for (double now = 0; now < 1200; now += 37) {
    const Readings r = t.Read(now);
    EXPECT_NEAR(r.secondC, p.ambientC, p.driftAmplitude + 1e-12);
    EXPECT_NEAR(r.supplyVolts, p.supplyVoltage, p.driftAmplitude + 1e-12);
  }
}

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

TEST(SimConversions, PowerWordsFollowTheKindsFormula) {
  const PowerWords k1 = EncodePower(1, 0.75);
  EXPECT_FLOAT_EQ(float(k1.a) / float(k1.a + k1.b), 0.75f);
  const PowerWords k11 = EncodePower(11, 0.5);
  EXPECT_FLOAT_EQ(float(k11.a) / float(k11.b), 0.5f);
  const PowerWords off = EncodePower(1, 0.0);
  EXPECT_EQ(off.a, 0);
  EXPECT_NE(off.b, 0);  // 0.0, not the "no reading" answer
}

TEST(SimConversions, CameraReportsItsModelValuesThroughQueryWords) {
  CameraModel m;
  m.name = "t";
  m.interfaceClass = 1;
  m.productId = 0x0C90;
  m.width = m.height = 100;
  m.physics.driftAmplitude = 0;
  DeriveModel(m);
  SimClock clock(0.0);
  Firmware fw(m, clock);
  // -15 degrees as the host encodes it.
  const auto raw = static_cast<std::uint16_t>(-15.0f * 455.1048583984375f + 39046.828125f + 0.5f);
  ASSERT_EQ(fw.Handle(Bytes{0x0C, std::uint8_t(raw), std::uint8_t(raw >> 8)}).reply[0], kOk);
  Response r = fw.Handle(Bytes{0x0F, 0x00});
  EXPECT_NEAR(ConvertRaw(Conversion::kTemperatureFine, GetU16(r.reply, 1)), -15.0, 0.002);
  r = fw.Handle(Bytes{0x0F, 0x02});
  EXPECT_NEAR(ConvertRaw(Conversion::kAnalogFine, GetU16(r.reply, 1)),
              m.physics.supplyVoltage * (1 - 0.01 * fw.ReadingsNow().coolerPower), 0.001);
  r = fw.Handle(Bytes{0x11, 0x00});
  ASSERT_EQ(r.reply.size(), 5u);
  EXPECT_NEAR(double(GetU16(r.reply, 1)) / GetU16(r.reply, 3), 35.0 / 40.0, 1e-3);
}

}  // namespace
}  // namespace tqsim
