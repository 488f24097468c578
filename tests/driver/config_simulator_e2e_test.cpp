// The settings a person writes for a camera, end to end against the simulator
// as its own process: the settings file in the document folders (precedence,
// timing, crop, transfer size), and the filter descriptions in the registry.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "driver/camera/camera.h"
#include "support/recording_backend.h"
#include "support/settings_home.h"
#include "tqusb/tqusb.h"

namespace {

class Settings : public tqtest::SettingsHomeTest {
 protected:
  static uint32_t Integer(TQCAMERA c, uint32_t index) {
    uint32_t value = 0;
    EXPECT_TRUE(GetIntegerParameter(c, index, &value)) << LastError(c);
    return value;
  }
};

TEST_F(Settings, PerCameraFileFirstThenTheGeneralOneAndTheTimingTheyAskFor) {
  Write("Documents/QUIL/ini/tqusb.5005.ini", "[driver]\nClockDelay=11\n");
  Write("Documents/QUIL/ini/tqusb.ini", "[driver]\nClockDelay=22\n[crop]\nx=0\ny=0\nw=300\nd=200\n");
  Write("public/QUIL/ini/tqusb.5005.ini", "[driver]\nClockDelay=33\n");
  Write("public/QUIL/ini/tqusb.2003.ini", "[driver]\nClockOverlapDelay=5\n");

  Open(5005);  // kind 5: the delay alone, from the per-camera file in Documents
  EXPECT_EQ(State("g1-k5", "timing"), "0,11");
  TQCAMERA k3 = Open(2003);  // kind 3: its own file in Public Documents has no delay
  EXPECT_EQ(State("g1-k3", "timing"), "0,0") << "no timing without a delay";
  EXPECT_EQ(Integer(k3, 1), 1536u) << "the per-camera file wins, with no crop";
  TQCAMERA k6 = Open(3006);  // kind 6: the general file
  EXPECT_EQ(State("g1-k6", "timing"), "0,22");
  EXPECT_EQ(Integer(k6, 1), 300u);
  EXPECT_EQ(Integer(k6, 2), 200u) << "\"d\" stands in for a missing \"h\"";
  Open(9017);  // generation 0 reads no file and gets no timing
  EXPECT_EQ(State("g0-k17", "opcodes").find("19:"), std::string::npos);
}

TEST_F(Settings, SingleReadLimitSetsTheSizeOfImageReads) {
  // Megabytes as written, and the size of one image read they give.
  const std::pair<const char*, uint32_t> limits[] = {
      {"0", 1u << 20}, {"32", 32u << 20}, {"33", 32u << 20}, {"4096", 32u << 20}, {"1", 1u << 20}};
  for (const auto& [megabytes, bytes] : limits) {
    Write("Documents/QUIL/ini/tqusb.6008.ini",
          std::string("[driver]\nSingleReadLimitMB=") + megabytes + "\n");
    TQCAMERA c = Initialize(6008);
    EXPECT_EQ(c->SingleReadLimit, bytes) << megabytes;
    if (c->SingleReadLimit == (1u << 20)) {
      tqtest::RecordingBackend backend;
      backend.image = c->hImage;
      std::vector<uint16_t> image(1024 * 1024);
      EXPECT_TRUE(GetImageExposure16b(c, 0.0, false, 0, 0, 1024, 1024,
                                      static_cast<uint32_t>(image.size() * 2), image.data()))
          << LastError(c);
      EXPECT_EQ(backend.imageReads, std::vector<uint32_t>({1048576u, 1048576u}));
    }
    Release(c);
  }
}

// Every connection configures the camera as Initialize does: a camera
// plugged in after Initialize, and one unplugged and plugged back in (its
// power cycled), get the timing request, the crop and the filter list of the
// settings as they are then.
TEST_F(Settings, EveryConnectionConfiguresTheCamera) {
  Write("config/tqusb/registry.reg",
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Kestoral Instruments\\Tq Camera Filters\\3006]\r\n"
        "\"1\"=\"Red, RED, 120\"\r\n");
  const auto settings = [&](unsigned delay, unsigned width) {
    Write("Documents/QUIL/ini/tqusb.3006.ini",
          "[driver]\nClockDelay=" + std::to_string(delay) + "\n[crop]\nx=0\ny=0\nw=" +
              std::to_string(width) + "\nh=200\n");
  };
  const auto waitConnected = [](TQCAMERA c, bool connected) {
    for (int i = 0; i < 50 && c->IsConnected() != connected; ++i) tqPumpEvents(100);
    return c->IsConnected() == connected;
  };
  const auto filters = [](TQCAMERA c) {
    std::vector<std::string> names;
    char name[32];
    uint32_t colour = 0, offset = 0;
    for (uint32_t i = 0; EnumerateFilters2(c, i, 31, name, &colour, &offset); ++i)
      names.emplace_back(name);
    return names;
  };
  const std::vector<std::string> wheel = {"Red",         "<undefined>", "<undefined>",
                                          "<undefined>", "<undefined>", "<undefined>"};

  Control({"unplug", "g1-k6"});
  settings(22, 300);
  TQCAMERA c = Open(3006);
  ASSERT_FALSE(c->IsConnected());
  Control({"plug", "g1-k6"});  // plugged in after Initialize
  ASSERT_TRUE(waitConnected(c, true));
  EXPECT_EQ(State("g1-k6", "timing"), "0,22");
  EXPECT_EQ(Integer(c, 1), 300u);
  EXPECT_EQ(Integer(c, 8), 6u);
  EXPECT_EQ(filters(c), wheel);

  Control({"unplug", "g1-k6"});
  ASSERT_TRUE(waitConnected(c, false));
  settings(33, 250);
  Control({"plug", "g1-k6"});  // back from a power cycle, which cleared its timing
  ASSERT_TRUE(waitConnected(c, true));
  EXPECT_EQ(State("g1-k6", "timing"), "0,33");
  EXPECT_EQ(Integer(c, 1), 250u);
  EXPECT_EQ(filters(c), wheel);
}

TEST_F(Settings, FiltersFromTheRegistryAndTheWheelCommands) {
  Write("config/tqusb/registry.reg",
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Kestoral Instruments\\Tq Camera Filters\\2003]\r\n"
        "\"MicrometerFilterOffset\"=dword:00000001\r\n"
        "\"1\"=\"Red, RED, 120\"\r\n\"2\"=\"\"\r\n\"3\"=\"Luminance\"\r\n");
  TQCAMERA c = Open(2003);
  std::vector<std::string> names;
  std::vector<uint32_t> colours;
  std::vector<int32_t> offsets;
  char name[32];
  uint32_t colour = 0, offset = 0;
  for (uint32_t i = 0; EnumerateFilters2(c, i, 31, name, &colour, &offset); ++i) {
    names.emplace_back(name);
    colours.push_back(colour);
    offsets.push_back(static_cast<int32_t>(offset));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Red", "Luminance", "<undefined>", "<undefined>",
                                             "<undefined>"}));
  EXPECT_EQ(colours, (std::vector<uint32_t>{0x7F, 0, 0, 0, 0}));
  EXPECT_EQ(offsets, (std::vector<int32_t>{120, 0, 0, 0, 0}));
  bool micrometres = false;
  EXPECT_TRUE(GetBooleanParameter(c, 11, &micrometres) && micrometres);

  EXPECT_TRUE(SetFilter(c, 3)) << LastError(c);
  EXPECT_EQ(State("g1-k3", "filter_position"), "3");
  EXPECT_TRUE(cameraReinitFilterWheel(c)) << LastError(c);
  EXPECT_EQ(State("g1-k3", "filter_position"), "0");
  EXPECT_NE(State("g1-k3", "opcodes").find("1b:1"), std::string::npos);
  EXPECT_TRUE(EnumerateFilters(c, 4, 31, name, &colour));
  EXPECT_FALSE(EnumerateFilters(c, 5, 31, name, &colour));

  TQCAMERA g2 = Open(1103);
  EXPECT_FALSE(EnumerateFilters(g2, 0, 31, name, &colour));
  EXPECT_EQ(LastError(g2), "Camera does not support this feature");
}

}  // namespace
