// Parameters, exposure, read modes and preflash end to end: the library talks
// over a private virtual USB bus to the simulator running as its own process,
// one camera of each generation from the simulator's default camera set.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver/config/sensor_settings.h"
#include "support/simulator.h"
#include "tqusb/tqusb.h"

namespace {

class SimulatedCameras : public tqtest::SimulatorTest {
 protected:
  SimulatedCameras() { timeScale_.clear(); }

  static std::optional<uint32_t> Integer(TQCAMERA camera, uint32_t index) {
    uint32_t value = 0;
    if (!GetIntegerParameter(camera, index, &value)) return std::nullopt;
    return value;
  }
  static std::optional<bool> Boolean(TQCAMERA camera, uint32_t index) {
    bool value = false;
    if (!GetBooleanParameter(camera, index, &value)) return std::nullopt;
    return value;
  }
  static std::string Text(TQCAMERA camera, uint32_t index) {
    char text[32] = {};
    if (!GetStringParameter(camera, index, 31, text)) return "(fail)";
    return text;
  }
  static std::string ReadModeName(TQCAMERA camera, uint32_t index) {
    char text[32] = {};
    if (!EnumerateReadModes(camera, index, 31, text)) return "(none)";
    return text;
  }
};

TEST_F(SimulatedCameras, Generation0) {
  TQCAMERA c = Open(9017);
  ASSERT_EQ(Boolean(c, 0), true) << LastError(c);
  EXPECT_EQ(Integer(c, 5), 4u);  // the camera reads windows
  EXPECT_EQ(Boolean(c, 128), true);  // "M768 Q"
  EXPECT_EQ(ReadModeName(c, 0), "Fast read");
  EXPECT_EQ(ReadModeName(c, 2), "(none)");
  EXPECT_TRUE(SetReadMode(c, 0)) << LastError(c);
  EXPECT_EQ(State("g0-k17", "read_mode"), "2");
  EXPECT_TRUE(SetReadMode(c, 1)) << LastError(c);
  EXPECT_EQ(State("g0-k17", "read_mode"), "16");
  EXPECT_FALSE(BeginExposure(c, true));
  EXPECT_EQ(LastError(c), "Camera does not support this feature");
  EXPECT_FALSE(SetPreflash(c, 0.01, 1));
}

TEST_F(SimulatedCameras, Generation1) {
  TQCAMERA c = Open(2003);
  ASSERT_EQ(Boolean(c, 0), true) << LastError(c);
  EXPECT_EQ(Integer(c, 8), 5u);
  EXPECT_EQ(Boolean(c, 128), false);  // "CCD 1536"
  EXPECT_EQ(Text(c, 1), "Kestoral Instruments");
  EXPECT_EQ(ReadModeName(c, 1), "Preview");
  EXPECT_TRUE(SetReadMode(c, 1)) << LastError(c);
  EXPECT_EQ(State("g1-k3", "read_mode"), "0");
  EXPECT_TRUE(SetReadMode(c, 0)) << LastError(c);
  EXPECT_EQ(State("g1-k3", "read_mode"), "1");
  EXPECT_FALSE(SetReadMode(c, 2));
  EXPECT_EQ(LastError(c), "Invalid read mode");

  EXPECT_TRUE(BeginExposure(c, true)) << LastError(c);
  EXPECT_EQ(State("g1-k3", "shutter"), "open");
  EXPECT_EQ(State("g1-k3", "exposing"), "1");
  EXPECT_TRUE(EndExposure(c, true, false)) << LastError(c);
  EXPECT_EQ(State("g1-k3", "shutter"), "closed");
  EXPECT_TRUE(BeginExposure(c, false)) << LastError(c);
  EXPECT_TRUE(EndExposure(c, false, true)) << LastError(c);

  // A refused clear keeps the shutter closed: the open command never goes out.
  const std::string before = State("g1-k3", "requests");
  Control({"fault", "g1-k3", "status", "0x84", "1"});
  EXPECT_FALSE(BeginExposure(c, true));
  EXPECT_EQ(LastError(c), "Instruction failed: Unspecified instruction failure");
  EXPECT_EQ(State("g1-k3", "shutter"), "closed");
  EXPECT_EQ(State("g1-k3", "requests"), before);  // the refused clear is not counted
  EXPECT_EQ(Boolean(c, 0), true);

  EXPECT_TRUE(SetPreflash(c, 0.0125, 3)) << LastError(c);
  EXPECT_EQ(State("g1-k3", "preflash"), "13ms*3");
  EXPECT_TRUE(SetPreflash(c, 70.0, 40)) << LastError(c);
  EXPECT_EQ(State("g1-k3", "preflash"), "65535ms*16");
}

// Generations 2 to 5: the multi-mode model of each, with the answers that
// follow the read mode and the host binning at once.
TEST_F(SimulatedCameras, Generations2To5) {
  const struct {
    const char* device;
    uint32_t id;
    uint32_t readModes;  // 2 or 4
    std::optional<uint32_t> index14;
  } cameras[] = {{"g2-k9-c03", 1103, 2, std::nullopt},
                 {"g3-k9-c00", 1100, 4, std::nullopt},
                 {"g4-k11-c90", 1190, 4, std::nullopt},
                 {"g5-k14-c26", 1226, 4, 100}};
  for (const auto& m : cameras) {
    SCOPED_TRACE(m.device);
    TQCAMERA c = Open(m.id);
    ASSERT_EQ(Boolean(c, 0), true) << LastError(c);
    EXPECT_EQ(Integer(c, 7), m.readModes);
    EXPECT_EQ(Integer(c, 14), m.index14);
    EXPECT_EQ(ReadModeName(c, m.readModes - 1), m.readModes == 4 ? "12-bit fast" : "12-bit");
    EXPECT_EQ(ReadModeName(c, m.readModes), "(none)");

    // The 8-bit and 12-bit limits follow the read mode at once.
    EXPECT_TRUE(SetReadMode(c, 1)) << LastError(c);
    EXPECT_EQ(Integer(c, 17), 4094u);
    EXPECT_EQ(Integer(c, 19), 240u);
    EXPECT_TRUE(cameraSetReadMode(c, 0)) << LastError(c);
    EXPECT_EQ(State(m.device, "read_mode"), "0");
    EXPECT_EQ(Integer(c, 17), 254u);
    EXPECT_EQ(Integer(c, 19), 15u);
    // ... and so does the host binning.
    EXPECT_TRUE(SetBinning(c, 2, 3)) << LastError(c);
    EXPECT_EQ(Integer(c, 17), 6u * 254u);
    EXPECT_EQ(Integer(c, 19), 6u * 15u);
    EXPECT_TRUE(SetBinning(c, 1, 1)) << LastError(c);
    EXPECT_FALSE(SetReadMode(c, m.readModes));
    EXPECT_EQ(LastError(c), "Invalid read mode");

    EXPECT_TRUE(BeginExposure(c, true)) << LastError(c);
    EXPECT_EQ(State(m.device, "shutter"), "open");
    EXPECT_EQ(State(m.device, "exposing"), "1");
    EXPECT_TRUE(EndExposure(c, true, false)) << LastError(c);
    EXPECT_EQ(State(m.device, "shutter"), "closed");
    EXPECT_EQ(State(m.device, "exposing"), "0");
    EXPECT_FALSE(SetPreflash(c, 0.01, 1));
    EXPECT_EQ(LastError(c), "Camera does not support this feature");
  }
}

TEST_F(SimulatedCameras, ModelWithoutReadModesRefusesSelection) {
  TQCAMERA c = Open(1221);  // generation 5, kind 15
  ASSERT_EQ(Boolean(c, 0), true) << LastError(c);
  EXPECT_EQ(ReadModeName(c, 0), "(none)");
  EXPECT_FALSE(SetReadMode(c, 0));
  EXPECT_EQ(LastError(c), "Camera does not support this feature");
  EXPECT_EQ(Integer(c, 7), std::nullopt);
  EXPECT_EQ(Boolean(c, 16), true);  // caps bit 3
}

TEST_F(SimulatedCameras, SensorTimingOfBothEncodings) {
  TQCAMERA c = Open(6008);  // kind 8: overlap and delay
  ASSERT_EQ(Boolean(c, 0), true) << LastError(c);
  EXPECT_TRUE(tQusb::SetTiming(*c, 10, 20)) << LastError(c);
  EXPECT_EQ(State("g1-k8", "timing"), "10,20");
  c = Open(2003);  // kind 3: the delay only
  ASSERT_EQ(Boolean(c, 0), true) << LastError(c);
  EXPECT_TRUE(tQusb::SetTiming(*c, 10, 30)) << LastError(c);
  EXPECT_EQ(State("g1-k3", "timing"), "0,30");
  c = Open(1100);  // kind 9 has no programmable timing
  EXPECT_FALSE(tQusb::SetTiming(*c, 10, 30));
  EXPECT_EQ(LastError(c), "Only Rev.H based cameras implemet programmable timing");
}

}  // namespace
