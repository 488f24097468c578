// The capability record end to end: models of several generations served by
// the simulator as its own process, and the two refusals, which leave the
// record as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/simulator.h"
#include "tqusb/tqusb.h"

namespace {

// The record in one line, so a table row says what a model is.
std::string Summary(const TQCAMERACAPS& c) {
  std::string modes;
  for (uint32_t i = 0; i < c.readModes; ++i) modes += std::to_string(c.readModeBits[i]) + ",";
  char text[400];
  std::snprintf(text, sizeof text,
                "g%d k%u %s %ux%u bin%ux%u px%g exp%g-%.6g modes%s@%u max%u cool%d %.1f..%.1f "
                "fan%d heat%d guide%d wheel%d/%u gps%d shutter%d gain%d/%u",
                c.generation, c.kind, c.model, c.width, c.height, c.maxBinX, c.maxBinY,
                c.pixelWidth, c.minExposure, c.maxExposure, modes.c_str(), c.readMode,
                c.maxPixelValue, c.cooler, c.minSetPoint, c.maxSetPoint, c.fan, c.windowHeater,
                c.guidePort, c.filterWheel, c.filters, c.gps, c.shutter, c.gain, c.maxGain);
  return text;
}

class CameraCaps : public tqtest::SimulatorTest {};

TEST_F(CameraCaps, DescribesEachGeneration) {
  const struct {
    uint32_t id;
    uint32_t size;  // 0: the size of the record
    const char* result;
  } models[] = {
      {424242, 0, "CCD camera not connected to USB"},
      {1104, sizeof(TQCAMERACAPS) - 1, "Buffer too small"},
      {9017, 0,
       "g0 k17 CCD 768 768x512 bin4x4 px0 exp0-8.19187 modes16,16,@1 max65535 cool0 "
       "0.0..0.0 fan1 heat0 guide1 wheel0/0 gps0 shutter0 gain0/0"},
      {7001, 0,
       "g1 k1 CCD 1360 20C 1360x1036 bin4x4 px0 exp0-65.535 modes16,16,@0 max65535 cool1 "
       "-85.8..490.2 fan0 heat1 guide0 wheel1/5 gps0 shutter1 gain0/0"},
      {1190, 0,
       "g4 k11 CMOS 4656 4656x3520 bin4x4 px0 exp0-536871 modes8,16,8,16,@0 max254 cool1 "
       "-85.8..58.2 fan1 heat0 guide1 wheel1/7 gps0 shutter0 gain1/240"},
      {1226, 0,
       "g5 k14 CMOS 6248 6248x4176 bin4x4 px0 exp0-536871 modes8,16,8,16,@0 max254 cool1 "
       "-85.8..58.2 fan0 heat1 guide0 wheel1/7 gps1 shutter1 gain1/240"},
      {1222, 0,
       "g5 k16 CMOS 1304 1304x976 bin4x4 px0 exp0-536871 modes@0 max4094 cool1 "
       "-85.8..58.2 fan0 heat1 guide0 wheel0/0 gps0 shutter1 gain1/240"},
  };
  TQCAMERACAPS caps{};
  for (const auto& m : models) {
    TQCAMERA c = Open(m.id);
    caps.size = m.size ? m.size : sizeof caps;
    caps.width = 7;
    const bool ok = tqGetCameraCaps(c, &caps);
    EXPECT_EQ(ok ? Summary(caps) : LastError(c) + (caps.width == 7 ? "" : ", written"), m.result);
  }
  // The current read mode and its pixel range follow SetReadMode.
  TQCAMERA c = opened_[4];
  ASSERT_TRUE(SetReadMode(c, 3)) << LastError(c);
  ASSERT_TRUE(tqGetCameraCaps(c, &caps));
  EXPECT_EQ(caps.readMode, 3u);
  EXPECT_EQ(caps.maxPixelValue, 4094u);
}

}  // namespace
