// Cooling, fan, window heating, power and gain against the simulator running
// as its own process at 50 times real time, so that the sensor settles in
// seconds: the driver's requests and the simulator's answers agree.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "driver/camera/camera.h"
#include "driver/support/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

class AccessoriesSimulator : public tqtest::SimulatorTest {
 protected:
  AccessoriesSimulator() { timeScale_ = "50"; }
};

float Value(TQCAMERA camera, uint32_t index) {
  float value = NAN;
  EXPECT_TRUE(GetValue(camera, index, &value)) << "index " << index;
  return value;
}

// Waits (up to 30 s real time) until the sensor reads within 0.3 degrees of
// `target`; the last reading.
float SettledTemperature(TQCAMERA camera, float target) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  float t = Value(camera, 0);
  while (std::fabs(t - target) > 0.3f && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    t = Value(camera, 0);
  }
  return t;
}

TEST_F(AccessoriesSimulator, CoolingPowerFanHeatingAndGainLimit) {
  // 1190 has a fan and answers its power as value 11; 7001, of kind 1, has
  // window heating and keeps its power reading for ReadPowerUtilization.
  const struct {
    uint32_t id;
    bool fan;
  } cooled[] = {{1190, true}, {7001, false}};
  for (const auto& c : cooled) {
    TQCAMERA camera = Open(c.id);
    ASSERT_TRUE(camera->IsConnected()) << c.id;
    ASSERT_TRUE(cameraSetTemperature(camera, -10.0f)) << LastError(camera);
    EXPECT_NEAR(SettledTemperature(camera, -10.0f), -10.0f, 0.3f) << c.id;
    float power = NAN;
    if (camera->CameraKind == 1) {
      EXPECT_TRUE(ReadPowerUtilization(camera, &power));
    } else {
      power = Value(camera, 11);
    }
    EXPECT_GT(power, 0.5f) << c.id << ": holding -10 takes power";
    EXPECT_LE(power, 1.0f) << c.id;
    EXPECT_GT(Value(camera, 1), 15.0f) << c.id << ": the heat sink warms";
    EXPECT_EQ(SetFan(camera, 2), c.fan) << c.id;
    EXPECT_EQ(cameraSetWindowHeating(camera, 5), !c.fan) << c.id;
    const std::string device = std::to_string(c.id);
    EXPECT_EQ(State(device, "fan"), c.fan ? "2" : "0") << c.id;
    EXPECT_EQ(State(device, "heater"), c.fan ? "0" : "5") << c.id;
  }

  // Generation 0 cools to its own set point.
  TQCAMERA g0 = Open(9017);
  EXPECT_FALSE(SetTemperature(g0, -20.0f));
  EXPECT_NEAR(SettledTemperature(g0, -15.0f), -15.0f, 0.3f);

  // The largest gain the library reports is the largest the camera accepts.
  TQCAMERA g2 = Open(1103);
  uint32_t largest = 0;
  ASSERT_TRUE(GetIntegerParameter(g2, 16, &largest));
  EXPECT_TRUE(SetGain(g2, static_cast<uint16_t>(largest))) << LastError(g2);
  EXPECT_EQ(State("1103", "gain"), std::to_string(largest));
  EXPECT_FALSE(cameraSetGain(g2, static_cast<uint16_t>(largest + 1)));
}

}  // namespace
