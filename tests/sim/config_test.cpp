// Camera models from JSON: bad entries are refused with nothing half-loaded.
#include "core/model_config.h"

#include <gtest/gtest.h>

namespace tqsim {
namespace {

TEST(SimConfig, RejectsBadEntries) {
  const std::string camera = R"({"cameras": [{"name": "a", "class": 4, )";
  const std::string sized = camera + R"("width": 8, "height": 8, )";
  const std::string bad[] = {
      "not json",
      R"({"cams": []})",
      R"({"cameras": []})",
      R"({"cameras": [{"name": "a", "class": 15, "width": 1, "height": 1}]})",
      R"({"cameras": [{"name": "A", "class": 2, "width": 1, "height": 1}]})",
      R"({"cameras": [{"name": "a", "class": 2, "width": 1, "height": 1, "camera_id": 1},
                      {"name": "b", "class": 3, "width": 1, "height": 1, "camera_id": 1}]})",
      camera + R"("width": 0, "height": 1}]})",
      camera + R"("width": -1, "height": 1}]})",
      sized + R"("colour": 3}]})",
      sized + R"("texts": ["0123456789abcdef", "", ""]}]})",
      sized + R"("product_id": "0xZZ"}]})",
      R"({"cameras": [{"name": "a", "class": 9, "width": 1, "height": 1, "filter_count": 5,
                       "packed_flag_bits": 2}]})",
      sized + R"("image": {"seed": -1}}]})",
      sized + R"("image": {"gain": 0}}]})",
      sized + R"("image": {"output_levels": [1, 2]}}]})",
      sized + R"("image": {"sky": 1}}]})",
      sized + R"("gps": {"latitude": 91}}]})",
      sized + R"("gps": {"present": 1}}]})",
      sized + R"("gps": {"present": true}}]})",  // generation 1 has no receiver
  };
  for (const std::string& text : bad) {
    const ConfigResult r = ParseConfig(text);
    EXPECT_FALSE(r.Ok()) << text;
    EXPECT_TRUE(r.cameras.empty());
  }
}

}  // namespace
}  // namespace tqsim
