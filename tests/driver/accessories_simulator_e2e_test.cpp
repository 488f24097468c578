// Cooling, fan, window heating, power, gain and guiding against the simulator
// running as its own process: cooling at 50 times real time so that the
// sensor settles in seconds, guiding in real time so that a pulse can be
// watched while it runs.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <map>
#include <string>
#include <thread>

#include "driver/camera/camera.h"
#include "driver/support/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

class AccessoriesSimulator : public tqtest::SimulatorTest {
 protected:
  void SetUp() override {}  // each test serves at its own pace
  void Serve(const char* timeScale) {
    sim_ = std::make_unique<tqtest::ChildProcess>(
        std::vector<std::string>{TQSIM_PATH, "serve", "--bus", root_.Path(), "--time-scale",
                                 timeScale},
        root_.Path());
    const std::string ready = sim_->ReadLine();
    ASSERT_EQ(ready.rfind("tqsim: ", 0), 0u) << "simulator did not start: " << ready;
  }
  // The camera with `id`, opened once per test (a second handle could not
  // claim it).
  TQCAMERA Camera(uint32_t id) {
    auto [it, added] = cameras_.try_emplace(id, nullptr);
    if (added) it->second = Open(id);
    return it->second;
  }
  std::map<uint32_t, TQCAMERA> cameras_;
};

float Value(TQCAMERA camera, uint32_t index) {
  float value = NAN;
  EXPECT_TRUE(GetValue(camera, index, &value)) << "index " << index;
  return value;
}

// Kind 1 keeps its reading for the export ReadPowerUtilization; the others
// answer value 11.
float Power(TQCAMERA camera) {
  float power = NAN;
  if (camera->CameraKind != 1) return Value(camera, 11);
  EXPECT_TRUE(ReadPowerUtilization(camera, &power));
  return power;
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

TEST_F(AccessoriesSimulator, CoolingFanHeatingAndPowerByGeneration) {
  Serve("50");
  const char* const kUnsupported = "Camera does not support this feature";
  const struct {
    uint32_t id;
    bool fan, heating;
  } cooled[] = {{1190, true, false}, {1226, false, true}, {7001, false, true}};
  for (const auto& c : cooled) {
    TQCAMERA camera = Camera(c.id);
    ASSERT_TRUE(camera->IsConnected()) << c.id;
    EXPECT_EQ(Power(camera), 0.0f) << c.id << ": cooler off";

    ASSERT_TRUE(cameraSetTemperature(camera, -10.0f)) << LastError(camera);
    EXPECT_NEAR(SettledTemperature(camera, -10.0f), -10.0f, 0.3f) << c.id;
    const float power = Power(camera);
    EXPECT_GT(power, 0.5f) << c.id << ": holding -10 takes power";
    EXPECT_LE(power, 1.0f) << c.id;
    EXPECT_GT(Value(camera, 1), 15.0f) << c.id << ": the heat sink warms";

    EXPECT_EQ(SetFan(camera, 2), c.fan) << c.id;
    if (!c.fan) {
      EXPECT_EQ(LastError(camera), kUnsupported);
    }
    EXPECT_EQ(cameraSetWindowHeating(camera, 5), c.heating) << c.id;
    if (!c.heating) {
      EXPECT_EQ(LastError(camera), kUnsupported);
    }
    const std::string device = std::to_string(c.id);
    EXPECT_EQ(State(device, "fan"), c.fan ? "2" : "0") << c.id;
    EXPECT_EQ(State(device, "heater"), c.heating ? "5" : "0") << c.id;
  }

  // Generation 0 cools to its own set point and has a fan; generations 2
  // and 3 only a fan and their sensor reading.
  TQCAMERA g0 = Camera(9017);
  EXPECT_FALSE(SetTemperature(g0, -20.0f));
  EXPECT_EQ(LastError(g0), kUnsupported);
  EXPECT_NEAR(SettledTemperature(g0, -15.0f), -15.0f, 0.3f);
  EXPECT_TRUE(SetFan(g0, 1));
  TQCAMERA g2 = Camera(1103);
  EXPECT_TRUE(SetFan(g2, 3));
  EXPECT_FALSE(SetTemperature(g2, -20.0f));
  EXPECT_NEAR(Value(g2, 0), 26.0f, 0.5f);
  EXPECT_EQ(State("1103", "fan"), "3");
}

TEST_F(AccessoriesSimulator, GuidingPulsesRunOutAndGainFollowsTheGainTable) {
  Serve("1");
  const struct {
    uint32_t id;
    uint16_t first, second;
    uint8_t moving;  // state while the pulse runs
  } pulses[] = {{1190, 500, 0, 1}, {1103, 0, 0xFE0C, 1}, {9017, 0, 500, 2}};
  for (const auto& p : pulses) {
    TQCAMERA camera = Camera(p.id);
    ASSERT_TRUE(MoveTelescope(camera, p.first, p.second)) << LastError(camera);
    const auto start = Clock::now();
    uint8_t state = 0xAA;
    ASSERT_TRUE(MoveInProgress(camera, reinterpret_cast<bool*>(&state)));
    EXPECT_EQ(state, p.moving) << p.id;
    while (state != 0 && Clock::now() - start < std::chrono::seconds(5)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ASSERT_TRUE(cameraMoveInProgress(camera, reinterpret_cast<bool*>(&state)));
    }
    EXPECT_EQ(state, 0) << p.id;
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(450)) << p.id;
  }
  TQCAMERA g5 = Camera(1226);
  EXPECT_FALSE(MoveTelescope(g5, 500, 0));
  EXPECT_EQ(LastError(g5), "Camera does not support this feature");

  // The largest gain the camera accepts is the one the library reports and
  // the one ConvertGain stops at.
  for (uint32_t id : {1103u, 1100u, 1190u, 1226u}) {
    TQCAMERA camera = Camera(id);
    uint32_t largest = 0;
    ASSERT_TRUE(GetIntegerParameter(camera, 16, &largest));
    EXPECT_TRUE(SetGain(camera, static_cast<uint16_t>(largest))) << LastError(camera);
    EXPECT_EQ(State(std::to_string(id), "gain"), std::to_string(largest));
    EXPECT_FALSE(cameraSetGain(camera, static_cast<uint16_t>(largest + 1)));
    EXPECT_EQ(LastError(camera), "Instruction failed: Invalid parameter");
    double db = 0, factor = 0, dbAbove = 0, factorAbove = 0;
    ConvertGain(camera, largest, &db, &factor);
    ConvertGain(camera, largest + 1, &dbAbove, &factorAbove);
    EXPECT_EQ(db, largest / 10.0);
    EXPECT_EQ(dbAbove, db);
    EXPECT_EQ(factorAbove, factor);
  }
  TQCAMERA g1 = Camera(7001);
  EXPECT_FALSE(SetGain(g1, 10));
}

}  // namespace
