// Camera models from JSON, and the default configuration's coverage.
#include "core/model_config.h"

#include <gtest/gtest.h>

#include <set>

namespace tqsim {
namespace {

TEST(SimConfig, ParsesACameraWithHexNumbersAndDerivesKind) {
  const ConfigResult r = ParseConfig(R"({"cameras": [{
      "name": "a", "class": 1, "product_id": "0x0C26", "bcd_usb": "0x0200", "camera_id": 5,
      "width": 100, "height": 50, "texts": ["x", "y", "z"], "versions": ["0x0507", 1, 2, 3],
      "physics": {"set_point": -5, "filter_step": 0.1}}]})");
  ASSERT_TRUE(r.Ok()) << r.error;
  const CameraModel& m = r.cameras.at(0);
  EXPECT_EQ(m.Kind(), 14);
  EXPECT_EQ(m.Generation(), 5);
  EXPECT_EQ(m.bcdUsb, 0x0200);
  EXPECT_EQ(m.versions[0], 0x0507);
  EXPECT_TRUE(m.cooled);
  EXPECT_EQ(m.physics.initialSetPointC, -5.0);
  EXPECT_EQ(m.readModes.size(), 4u);
  ASSERT_TRUE(DeviceDescriptor(m).has_value());
  EXPECT_EQ(DeviceDescriptor(m)->size(), 18u);
}

TEST(SimConfig, RejectsBadEntriesWithAReason) {
  const char* bad[] = {
      "not json",
      R"({"cams": []})",
      R"({"cameras": []})",
      R"({"cameras": [{"name": "a", "class": 15, "width": 1, "height": 1}]})",
      R"({"cameras": [{"name": "a", "class": 2, "width": 1, "height": 1, "colour": 3}]})",
      R"({"cameras": [{"name": "A", "class": 2, "width": 1, "height": 1}]})",
      R"({"cameras": [{"name": "a", "class": 2, "width": 0, "height": 1}]})",
      R"({"cameras": [{"name": "a", "class": 2, "width": -1, "height": 1}]})",
      R"({"cameras": [{"name": "a", "class": 2, "width": 1, "height": 1, "texts": ["0123456789abcdef", "", ""]}]})",
      R"({"cameras": [{"name": "a", "class": 2, "width": 1, "height": 1, "product_id": "0xZZ"}]})",
      R"({"cameras": [{"name": "a", "class": 9, "width": 1, "height": 1, "filter_count": 5, "packed_flag_bits": 2}]})",
      R"({"cameras": [{"name": "a", "class": 2, "width": 1, "height": 1, "camera_id": 1},
                      {"name": "b", "class": 3, "width": 1, "height": 1, "camera_id": 1}]})",
  };
  for (const char* text : bad) {
    const ConfigResult r = ParseConfig(text);
    EXPECT_FALSE(r.Ok()) << text;
    EXPECT_TRUE(r.cameras.empty());
  }
}

TEST(SimConfig, DefaultConfigurationCoversEveryClassKindAndGeneration) {
  const ConfigResult r = LoadConfig(TQSIM_DEFAULT_CONFIG);
  ASSERT_TRUE(r.Ok()) << r.error;
  std::set<int> classes, kinds, generations;
  std::set<std::uint32_t> ids;
  bool g0WithWindows = false, g0WithoutWindows = false, usb2 = false, large = false;
  for (const CameraModel& m : r.cameras) {
    classes.insert(m.interfaceClass);
    kinds.insert(m.Kind());
    generations.insert(m.Generation());
    ids.insert(m.cameraId);
    if (m.Generation() == 0) (m.subFrames ? g0WithWindows : g0WithoutWindows) = true;
    usb2 = usb2 || (m.interfaceClass == 1 && m.productId && m.bcdUsb == 0x0200);
    large = large || 2.0 * m.width * m.height > 24.0 * 1024 * 1024;
  }
  EXPECT_EQ(classes.size(), 14u);
  // Every kind a connection can produce: 1..6, 8..21.
  for (int k = 1; k <= 21; ++k) {
    if (k != 7) {
      EXPECT_TRUE(kinds.count(k)) << "kind " << k;
    }
  }
  EXPECT_EQ(generations.size(), 6u);
  EXPECT_EQ(ids.size(), r.cameras.size());
  EXPECT_TRUE(g0WithWindows && g0WithoutWindows && usb2 && large);
}

}  // namespace
}  // namespace tqsim
