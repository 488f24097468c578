// GPS position and image time stamps end to end against the simulator as its
// own process, in real time so that the simulated clock follows UTC.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/simulator.h"
#include "tqusb/tqusb.h"

namespace {

// One camera with a receiver that has a fix, one still waiting for it, one
// with a time-stamp counter but no receiver, one with neither, and one whose
// counter reports 0 Hz.
constexpr const char* kCameras = R"({"cameras": [
  {"name": "gps-fix", "class": 1, "product_id": "0x0C26", "camera_id": 501, "caps": 4,
   "width": 320, "height": 240, "texts": ["GPS", "FIX", "1"]},
  {"name": "gps-nofix", "class": 1, "product_id": "0x0C21", "camera_id": 502, "caps": 8,
   "width": 320, "height": 240, "texts": ["GPS", "NOFIX", "1"], "gps": {"fix": false}},
  {"name": "counter-only", "class": 1, "product_id": "0x0C22", "camera_id": 503, "caps": 1,
   "width": 320, "height": 240, "texts": ["GPS", "COUNTER", "1"]},
  {"name": "no-counter", "class": 1, "product_id": "0x0C90", "camera_id": 504,
   "width": 320, "height": 240, "texts": ["GPS", "NONE", "1"]},
  {"name": "zero-hz", "class": 1, "product_id": "0x0C26", "camera_id": 505, "caps": 4,
   "width": 320, "height": 240, "texts": ["GPS", "ZERO", "1"], "gps": {"counter_frequency": 0}}]})";

class GpsEndToEnd : public tqtest::SimulatorTest {
 protected:
  GpsEndToEnd() {
    timeScale_.clear();
    config_ = root_.Path() + "-cameras.json";
    std::ofstream(config_) << kCameras;
  }
  ~GpsEndToEnd() override { std::remove(config_.c_str()); }

  static double UnixNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
  }
};

double UnixTime(int32_t year, int32_t month, int32_t day, uint32_t hour, uint32_t minute,
                double second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = static_cast<int>(hour);
  t.tm_min = static_cast<int>(minute);
  return static_cast<double>(timegm(&t)) + second;
}

TEST_F(GpsEndToEnd, ImageTimeStampPositionAndOneFrequencyQuestion) {
  TQCAMERA c = Open(501);
  bool connected = false;
  ASSERT_TRUE(GetBooleanParameter(c, 0, &connected) && connected) << "camera not found";

  std::vector<uint16_t> pixels(16 * 16);
  const double start = UnixNow();
  ASSERT_TRUE(GetImageExposure16b(c, 0.3, true, 0, 0, 16, 16,
                                  static_cast<uint32_t>(pixels.size() * 2), pixels.data()))
      << LastError(c);
  int32_t year = 0, month = 0, day = 0;
  uint32_t hour = 0, minute = 0;
  double second = 0;
  ASSERT_TRUE(GetImageTimeStamp(c, &year, &month, &day, &hour, &minute, &second)) << LastError(c);
  EXPECT_NEAR(UnixTime(year, month, day, hour, minute, second), start, 1.0);

  double latitude = 0, longitude = 0, altitude = 0;
  uint32_t satellites = 0;
  bool valid = false;
  ASSERT_TRUE(cameraGetGPSData(c, &latitude, &longitude, &altitude, &year, &month, &day, &hour,
                               &minute, &second, &satellites, &valid))
      << LastError(c);
  EXPECT_TRUE(valid);
  EXPECT_NEAR(latitude, 48.1173, 1e-4);
  EXPECT_NEAR(longitude, 11.516667, 1e-4);
  EXPECT_NEAR(altitude, 545.4, 1e-9);
  EXPECT_EQ(satellites, 8u);
  EXPECT_NEAR(UnixTime(year, month, day, hour, minute, second), UnixNow(), 1.0);
  EXPECT_NE(State("gps-fix", "opcodes").find("2d:1"), std::string::npos)
      << State("gps-fix", "opcodes");

  // A new camera object asks again, once.
  Release(c);
  opened_.clear();
  c = Open(501);
  ASSERT_TRUE(GetImageTimeStamp(c, &year, &month, &day, &hour, &minute, &second)) << LastError(c);
  ASSERT_TRUE(GetImageTimeStamp(c, &year, &month, &day, &hour, &minute, &second)) << LastError(c);
  EXPECT_NE(State("gps-fix", "opcodes").find("2d:2"), std::string::npos)
      << State("gps-fix", "opcodes");
}

TEST_F(GpsEndToEnd, WithoutFixThePositionComesWithAZeroDate) {
  TQCAMERA c = Open(502);
  int32_t year = -1, month = -1, day = -1;
  uint32_t hour = 99, minute = 99;
  double second = -1;
  EXPECT_FALSE(GetImageTimeStamp(c, &year, &month, &day, &hour, &minute, &second));
  EXPECT_EQ(LastError(c), "Waiting for GPS fix");

  double latitude = -1, longitude = -1, altitude = -1;
  uint32_t satellites = 99;
  bool valid = true;
  EXPECT_TRUE(GetGPSData(c, &latitude, &longitude, &altitude, &year, &month, &day, &hour, &minute,
                         &second, &satellites, &valid));
  EXPECT_EQ(LastError(c), "Waiting for GPS fix");
  EXPECT_FALSE(valid);
  EXPECT_EQ(std::vector<double>({latitude, longitude, altitude, second}),
            std::vector<double>({0, 0, 0, 0}));
  EXPECT_EQ(std::vector<int64_t>({year, month, day, hour, minute, satellites}),
            std::vector<int64_t>({0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(GetBooleanParameter(c, 0, &valid) && valid) << "the camera stays connected";
}

// A camera without a receiver refuses the requests; the library fails with
// the camera's reason instead of returning a time or a position.
TEST_F(GpsEndToEnd, WithoutAReceiverBothCallsFailWithTheCamerasAnswer) {
  const std::pair<uint32_t, const char*> cameras[] = {{503, "counter-only"}, {504, "no-counter"}};
  for (const auto& [id, name] : cameras) {
    SCOPED_TRACE(name);
    TQCAMERA c = Open(id);
    bool flag = true;
    ASSERT_TRUE(GetBooleanParameter(c, 0, &flag) && flag) << "camera not found";
    EXPECT_FALSE(GetBooleanParameter(c, 16, &flag) && flag) << "parameter 16 names a receiver";
    int32_t year = -1, month = -1, day = -1;
    uint32_t hour = 99, minute = 99, satellites = 99;
    double second = -1, latitude = -1, longitude = -1, altitude = -1;
    bool valid = true;
    EXPECT_FALSE(GetImageTimeStamp(c, &year, &month, &day, &hour, &minute, &second));
    EXPECT_EQ(LastError(c), "Instruction failed: Unknown instruction");
    EXPECT_FALSE(GetGPSData(c, &latitude, &longitude, &altitude, &year, &month, &day, &hour,
                            &minute, &second, &satellites, &valid));
    EXPECT_EQ(LastError(c), "Instruction failed: Unknown instruction");
    EXPECT_TRUE(valid) << "no fix reported";
    const std::string asked = State(name, "opcodes");
    EXPECT_NE(asked.find("2a:1,2b:1,2c:1"), std::string::npos) << asked;
    EXPECT_EQ(asked.find("2d:"), std::string::npos) << asked;
    EXPECT_TRUE(GetBooleanParameter(c, 0, &flag) && flag) << "the camera stays connected";
  }
}

// A counter of 0 Hz measures no time: no time stamp, asked again each time.
TEST_F(GpsEndToEnd, ACounterOfZeroHertzGivesNoTimeStamp) {
  TQCAMERA c = Open(505);
  int32_t year = -1, month = -1, day = -1;
  uint32_t hour = 99, minute = 99;
  double second = -1;
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_FALSE(GetImageTimeStamp(c, &year, &month, &day, &hour, &minute, &second));
    EXPECT_EQ(LastError(c), "GPS packet corrupted");
  }
  EXPECT_NE(State("zero-hz", "opcodes").find("2a:2,2d:2"), std::string::npos)
      << State("zero-hz", "opcodes");
}

}  // namespace
