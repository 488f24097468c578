#include "driver/transport/camera_info.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tQusb;

namespace {

struct PackedCase {
  uint16_t flags;
  uint8_t filterCount;
  uint8_t caps;
  uint16_t extra;
};

class PackedFlagsTest : public testing::TestWithParam<PackedCase> {};

TEST_P(PackedFlagsTest, ExpandsFlagsIntoCapsFilterCountAndExtra) {
  const PackedCase c = GetParam();
  TCameraInfoPacked packed{};
  packed.PackedFlags = c.flags;
  const TCameraInfo info = ExpandInfo(packed);
  EXPECT_EQ(info.FilterCount, c.filterCount);
  EXPECT_EQ(info.Caps, c.caps);
  EXPECT_EQ(info.Extra, c.extra);
}

INSTANTIATE_TEST_SUITE_P(Flags, PackedFlagsTest,
                         testing::Values(PackedCase{0x0523, 5, 2, 0}, PackedCase{0x0021, 5, 2, 0},
                                         PackedCase{0x0002, 6, 0, 0}, PackedCase{0x0000, 0, 0, 0},
                                         PackedCase{0x0703, 7, 0, 0}, PackedCase{0xF324, 0, 3, 0xF},
                                         PackedCase{0x1F07, 15, 1, 1}));

TEST(CameraInfo, PackingPutsCapsAndFilterCountIntoFlags) {
  TCameraInfo info{};
  info.Caps = 3;
  info.FilterCount = 7;
  EXPECT_EQ(PackInfo(info).PackedFlags, 0x0724);
  info.Caps = 0x0C;  // bits 2 and 3 have no place in the packed form
  info.FilterCount = 0x12;
  EXPECT_EQ(PackInfo(info).PackedFlags, 0x0200);
}

TEST(CameraInfo, ExpandedReplyIsReadLittleEndianAndPacked) {
  uint8_t data[64] = {};
  const uint8_t head[] = {0x78, 0x56, 0x34, 0x12, 0x01, 0x05, 0x00, 0x00,
                          0x00, 0x05, 0xC0, 0x03, 0x10, 0x00, 0x20, 0x01};
  std::memcpy(data, head, sizeof head);
  std::memcpy(data + 16, "ABCDEFGHIJKLMNO", 15);  // a full field has no terminator
  std::memcpy(data + 31, "short", 5);
  TCameraInfo info{};
  TCameraInfoPacked packed{};
  ReadExpandedInfo(data, info, packed);
  EXPECT_EQ(info.CameraId, 0x12345678u);
  EXPECT_EQ(info.Width, 1280);
  EXPECT_EQ(info.Height, 960);
  EXPECT_EQ(info.InfoWord3, 16);
  EXPECT_EQ(info.InfoWord4, 0x120);
  EXPECT_EQ(packed.CameraId, 0x12345678u);
  EXPECT_EQ(packed.Width, 1280);
  EXPECT_EQ(packed.PackedFlags, 0x0504);
  EXPECT_EQ(std::memcmp(packed.Text0, "ABCDEFGHIJKLMNO", 15), 0);
  EXPECT_EQ(std::memcmp(packed.Text2, "short\0\0\0\0\0\0\0\0\0\0", 15), 0);
  EXPECT_EQ(packed.Reserved, 0);
}

TEST(CameraInfo, PackedReplyIsReadAndExpanded) {
  uint8_t data[60] = {};
  const uint8_t head[] = {0x07, 0x00, 0x00, 0x00, 0x23, 0x05, 0x80,
                          0x02, 0xE0, 0x01, 0x03, 0x00, 0x04, 0x00};
  std::memcpy(data, head, sizeof head);
  std::memcpy(data + 14, "G0 camera", 9);
  std::memcpy(data + 44, "xyz", 3);
  TCameraInfoPacked packed{};
  TCameraInfo info{};
  ReadPackedInfo(data, packed, info);
  EXPECT_EQ(packed.PackedFlags, 0x0523);
  EXPECT_EQ(info.CameraId, 7u);
  EXPECT_EQ(info.Width, 640);
  EXPECT_EQ(info.Height, 480);
  EXPECT_EQ(info.InfoWord3, 3);
  EXPECT_EQ(info.InfoWord4, 4);
  EXPECT_EQ(info.FilterCount, 5);
  EXPECT_EQ(info.Caps, 2);
  EXPECT_STREQ(info.Text0, "G0 camera");
  EXPECT_STREQ(info.Text3, "xyz");
}

}  // namespace
