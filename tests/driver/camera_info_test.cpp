// The packed flags word of the information record: the filter count in its
// own nibble or the two-bit codes, and the caps bits that have a place in it.
#include "driver/transport/camera_info.h"

#include <gtest/gtest.h>

using namespace tQusb;

namespace {

TEST(CameraInfo, PackedFlagsExpandIntoCapsFilterCountAndExtra) {
  const struct {
    uint16_t flags;
    uint8_t filterCount, caps;
    uint16_t extra;
  } cases[] = {{0x0523, 5, 2, 0}, {0x0021, 5, 2, 0},   {0x0002, 6, 0, 0}, {0x0000, 0, 0, 0},
               {0x0703, 7, 0, 0}, {0xF324, 0, 3, 0xF}, {0x1F07, 15, 1, 1}};
  for (const auto& c : cases) {
    TCameraInfoPacked packed{};
    packed.PackedFlags = c.flags;
    const TCameraInfo info = ExpandInfo(packed);
    EXPECT_EQ(info.FilterCount, c.filterCount) << c.flags;
    EXPECT_EQ(info.Caps, c.caps) << c.flags;
    EXPECT_EQ(info.Extra, c.extra) << c.flags;
  }
}

TEST(CameraInfo, PackingPutsCapsAndFilterCountIntoFlags) {
  TCameraInfo info{};
  info.Caps = 3;
  info.FilterCount = 7;
  EXPECT_EQ(PackInfo(info).PackedFlags, 0x0724);
  info.Caps = 0x0C;  // bits 2 and 3 have no place in the packed form
  info.FilterCount = 0x12;
  EXPECT_EQ(PackInfo(info).PackedFlags, 0x0200);
}

}  // namespace
